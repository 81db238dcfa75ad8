#include "server/ProgramCode.h"

#include "device/IslandFiles.h"
#include "publish/ReplyPattern.h"
#include "publish/UploadBody.h"
#include "scores/HighscoreSource.h"
#include "scores/RecordTable.h"
#include "scores/SignedTable.h"
#include "ui/EmailRule.h"

#include <string>

namespace programcode {

namespace {

// The most records a table keeps in both front ends; the chosen indices count within them.
constexpr std::int32_t kTableLimit = 25;

QByteArray Bytes(const std::string& text) {
    return QByteArray(text.data(), qsizetype(text.size()));
}

std::string_view View(QByteArrayView bytes) {
    return std::string_view(bytes.data(), std::size_t(bytes.size()));
}

} // namespace

QByteArray ReplyLine(int number) {
    return "Highscores(" + QByteArray(kReplyMarker) + "):" + QByteArray::number(number) + '\n';
}

std::optional<QByteArray> DecodeBody(QByteArrayView text) {
    const std::optional<std::string> bytes = ::DecodeBody(View(text));
    if (!bytes)
        return std::nullopt;
    return Bytes(*bytes);
}

bool IsAcceptableEmail(QByteArrayView address) {
    return IsValidEmailAddress(std::string(View(address)));
}

QByteArray IslandsClientToken() {
    return kIslandsClientToken;
}

QByteArray IslandsHeaderText() {
    return Bytes(::IslandsHeaderText());
}

std::uint32_t IslandsEndMark() {
    return kIslandsEndMark;
}

std::optional<SignedTable> ParseSignedTable(QByteArrayView text) {
    RecordTable table;
    table.salt = kHighscoreSalt;
    table.limit = kTableLimit;
    ByteBuffer data;
    if (!data.Append(View(text)) || !data.AppendByte(0) || !::ParseSignedTable(table, data))
        return std::nullopt;
    // The program reads a text without a header row as an empty table; here it is no table.
    if (table.gameNumber == 0)
        return std::nullopt;
    SignedTable out;
    out.game = table.gameNumber;
    out.format = table.formatNumber;
    out.title = Bytes(table.title);
    out.verified = table.verified;
    out.records.reserve(table.records.size());
    for (const HighscoreRecord& record : table.records)
        out.records.push_back({Bytes(record.name), record.score, Bytes(record.extra)});
    return out;
}

std::optional<IslandHeader> ReadIslandHeader(QByteArrayView file) {
    IslandFile island;
    if (file.size() < qsizetype(kIslandHeaderBytes) ||
        !island.bytes.Append(file.data(), kIslandHeaderBytes) || !::ReadIslandHeader(island))
        return std::nullopt;
    return IslandHeader{Bytes(island.name), Bytes(island.text2)};
}

} // namespace programcode
