#include "formats/SignedTable.h"

#include <QCryptographicHash>
#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace {

constexpr char kFieldSeparator = '|';
constexpr char kRowEnd = '\n';

using Fields = std::array<QByteArrayView, 3>;

// The first three fields of a row, each cut to the bytes that count; missing ones are empty.
Fields splitRow(QByteArrayView row) {
    Fields fields;
    for (QByteArrayView& field : fields) {
        const qsizetype bar = row.indexOf(kFieldSeparator);
        const QByteArrayView whole = bar < 0 ? row : row.first(bar);
        field = whole.first(std::min(whole.size(), kTableFieldBytes));
        if (bar < 0)
            break;
        row = row.sliced(bar + 1);
    }
    return fields;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A decimal number at the start of text, after optional blanks and a sign, as the games'
// "%d" reads one. Values outside the 32-bit range are refused rather than wrapped, so that a
// number always reads back as it was written.
std::optional<qint32> leadingNumber(QByteArrayView text, bool allowMinus) {
    const char* p = text.begin();
    while (p != text.end() && isBlank(*p))
        ++p;
    bool negative = false;
    if (p != text.end() && (*p == '+' || (allowMinus && *p == '-')))
        negative = *p++ == '-';
    if (p == text.end() || *p < '0' || *p > '9')
        return std::nullopt;
    qint64 magnitude = 0;
    if (std::from_chars(p, text.end(), magnitude).ec != std::errc())
        return std::nullopt;
    const qint64 value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

bool readHeader(QByteArrayView row, HighscoreTable& table) {
    const Fields fields = splitRow(row);
    const auto game = leadingNumber(fields[0], false);
    const auto format = leadingNumber(fields[1], false);
    if (!game || *game == 0 || !format || *format == 0 || fields[2].isEmpty())
        return false;
    table.game = *game;
    table.format = *format;
    table.title = fields[2].toByteArray();
    return true;
}

// Keeps the highest scores, in order, as the rows come (equal scores in file order), so that
// a long text holds no more records than a table keeps.
void keepRecord(QList<HighscoreRecord>& records, HighscoreRecord record) {
    const auto at = std::upper_bound(
        records.begin(), records.end(), record.score,
        [](qint32 score, const HighscoreRecord& kept) { return score > kept.score; });
    if (at - records.begin() >= kMaxRecords)
        return;
    records.insert(at, std::move(record));
    if (records.size() > kMaxRecords)
        records.removeLast();
}

bool readRecord(QByteArrayView row, HighscoreTable& table) {
    const Fields fields = splitRow(row);
    const auto score = leadingNumber(fields[1], true);
    if (fields[0].isEmpty() || !score || *score < 0)
        return false;
    keepRecord(table.records, {fields[0].toByteArray(), *score, fields[2].toByteArray()});
    return true;
}

} // namespace

QByteArray tableDigest(QByteArrayView text) {
    QCryptographicHash md5(QCryptographicHash::Md5);
    md5.addData(text);
    md5.addData(QByteArrayView(kTableSalt));
    return md5.result().toHex();
}

std::optional<HighscoreTable> parseSignedTable(QByteArrayView text) {
    if (const qsizetype nul = text.indexOf('\0'); nul >= 0)
        text = text.first(nul);
    HighscoreTable table;
    const qsizetype lastRowEnd = text.lastIndexOf(kRowEnd);
    if (lastRowEnd >= 0) {
        const QByteArrayView stored = text.sliced(lastRowEnd + 1);
        table.verified =
            !stored.contains(kFieldSeparator) && tableDigest(text.first(lastRowEnd + 1)) == stored;
    } else {
        table.verified = false;
    }
    bool header = true;
    for (qsizetype end = text.indexOf(kRowEnd); end >= 0; end = text.indexOf(kRowEnd)) {
        const QByteArrayView row = text.first(end);
        text = text.sliced(end + 1);
        if (!(header ? readHeader(row, table) : readRecord(row, table)))
            return std::nullopt;
        header = false;
    }
    return table;
}

QByteArray writeSignedTable(const HighscoreTable& table) {
    QByteArray text = QByteArray::number(table.game) + kFieldSeparator +
                      QByteArray::number(table.format) + kFieldSeparator + table.title + kRowEnd;
    for (const HighscoreRecord& record : table.records)
        text += record.name + kFieldSeparator + QByteArray::number(record.score) + kFieldSeparator +
                record.extra + kRowEnd;
    // The digest covers the text up to its first NUL, as a reader sees it.
    const qsizetype nul = text.indexOf('\0');
    return text + tableDigest(nul < 0 ? QByteArrayView(text) : QByteArrayView(text).first(nul));
}
