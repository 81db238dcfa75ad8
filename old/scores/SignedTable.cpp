#include "scores/SignedTable.h"

#include "scores/DecodeRules.h"

#include <QCryptographicHash>
#include <array>
#include <cstdint>
#include <limits>
#include <new>

namespace {

constexpr char kFieldSeparator = '|';
constexpr char kRowEnd = '\n';

using Fields = std::array<std::string_view, 3>;

// The first three fields of a row, each cut to the bytes that count; missing ones are empty.
Fields SplitRow(std::string_view row) {
    Fields fields;
    for (std::string_view& field : fields) {
        const std::size_t bar = row.find(kFieldSeparator);
        field = row.substr(0, bar).substr(0, kTableFieldBytes);
        if (bar == row.npos) {
            row = {};
            break;
        }
        row.remove_prefix(bar + 1);
    }
    return fields;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A decimal number at the start of text, after optional blanks and sign, as "%d" and "%u"
// read one. Values outside the 32-bit signed range are refused rather than wrapped, so that a
// number always reads back as it was written.
bool ReadLeadingNumber(std::string_view text, bool allowMinus, std::int32_t& value) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || (allowMinus && text[i] == '-'))) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t first = i;
    std::int64_t magnitude = 0;
    constexpr std::int64_t kLimit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kLimit)
            return false;
        ++i;
    }
    if (i == first)
        return false;
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<std::int32_t>::max() ||
        signedValue < std::numeric_limits<std::int32_t>::min())
        return false;
    value = static_cast<std::int32_t>(signedValue);
    return true;
}

bool ReadHeader(std::string_view row, RecordTable& table) {
    const Fields fields = SplitRow(row);
    std::int32_t game = 0;
    std::int32_t format = 0;
    if (!ReadLeadingNumber(fields[0], false, game) || game == 0)
        return false;
    if (!ReadLeadingNumber(fields[1], false, format) || format == 0)
        return false;
    if (fields[2].empty())
        return false;
    table.gameNumber = game;
    table.formatNumber = format;
    table.title.assign(fields[2]);
    return true;
}

bool ReadRecord(std::string_view row, RecordTable& table) {
    const Fields fields = SplitRow(row);
    std::int32_t score = 0;
    if (fields[0].empty() || !ReadLeadingNumber(fields[1], true, score) || score < 0)
        return false;
    table.records.push_back(HighscoreRecord{std::string(fields[0]), score, std::string(fields[2])});
    return true;
}

bool ParseRows(std::string_view text, RecordTable& table) {
    bool header = true;
    for (std::size_t end = text.find(kRowEnd); end != text.npos; end = text.find(kRowEnd)) {
        const std::string_view row = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (!(header ? ReadHeader(row, table) : ReadRecord(row, table)))
            return false;
        header = false;
    }
    return true;
}

} // namespace

std::string SignedTableDigest(std::string_view text, std::string_view salt) {
    QCryptographicHash md5(QCryptographicHash::Md5);
    md5.addData(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    md5.addData(QByteArrayView(salt.data(), static_cast<qsizetype>(salt.size())));
    const QByteArray hex = md5.result().toHex();
    return std::string(hex.constData(), static_cast<std::size_t>(hex.size()));
}

bool ParseSignedTable(RecordTable& table, ByteBuffer& data) {
    data.SetPosition(0);
    table.Reset();
    table.verified = false;

    std::string_view text = data.View();
    text = text.substr(0, text.find('\0'));

    try {
        const std::size_t lastRowEnd = text.rfind(kRowEnd);
        if (lastRowEnd != text.npos) {
            const std::string_view stored = text.substr(lastRowEnd + 1);
            if (stored.find(kFieldSeparator) == stored.npos &&
                SignedTableDigest(text.substr(0, lastRowEnd + 1), table.salt) == stored)
                table.verified = true;
        }
        if (!ParseRows(text, table))
            return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    table.SortAndTrim();
    return true;
}

bool WriteSignedTable(const RecordTable& table, ByteBuffer& data, bool force) {
    data.Clear();
    std::string text;
    try {
        text = std::to_string(table.gameNumber) + kFieldSeparator +
               std::to_string(table.formatNumber) + kFieldSeparator + table.title + kRowEnd;
        for (const HighscoreRecord& record : table.records) {
            text += record.name;
            text += kFieldSeparator;
            text += std::to_string(record.score);
            text += kFieldSeparator;
            text += record.extra;
            text += kRowEnd;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (text.size() > std::numeric_limits<std::uint32_t>::max() - 64 || !data.Append(text))
        return false;
    if (!table.verified && !force)
        return true;
    // The digest covers the text up to its first zero byte, as a reader sees it.
    const std::string_view signedText = std::string_view(text).substr(0, text.find('\0'));
    return data.Append(SignedTableDigest(signedText, table.salt));
}
