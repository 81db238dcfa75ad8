#include "server/UploadHandler.h"

#include "formats/IslandFile.h"
#include "formats/SignedTable.h"
#include "formats/UploadData.h"
#include "profile/Settings.h"
#include "server/Database.h"
#include "server/HandheldText.h"
#include "server/IslandStore.h"
#include "server/Leaderboards.h"
#include "server/Passwords.h"
#include "server/RateLimit.h"

#include <QDateTime>
#include <exception>

namespace {

enum Reply : int {
    kOk = 0,
    kBadData = 1,
    kUnavailable = 2,
    kWriteFailed = 3,
    kUnknownGame = 4,
    kBadSignature = 6,
    kNoSuchUser = 7,
    kBadPassword = 8,
    kBadEmail = 9,
    kTryLater = 10,
    kInternal = 11,
    kIslandCompleted = 12,
};

constexpr qint64 kHourMs = 3600 * 1000;

qint64 Now() {
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

int ReplyForFailure(DbStatus status) {
    switch (status) {
    case DbStatus::Unavailable:
        return kUnavailable;
    case DbStatus::Busy:
        return kTryLater;
    case DbStatus::WriteFailed:
        return kWriteFailed;
    default:
        return kInternal;
    }
}

bool IsAcceptableEmail(QByteArrayView address) {
    // Latin-1 keeps every byte one character, so "@" stands where it stood.
    return isValidEmailAddress(QString::fromLatin1(address));
}

int UploadHandler::Table(QByteArrayView body) {
    try {
        return TableReply(body);
    } catch (const std::exception& error) {
        qWarning("table upload: %s", error.what());
        return kInternal;
    }
}

int UploadHandler::Islands(QByteArrayView body, const QString& clientAddress) {
    try {
        return IslandsReply(body, clientAddress);
    } catch (const std::exception& error) {
        qWarning("islands upload: %s", error.what());
        return kInternal;
    }
}

int UploadHandler::TableReply(QByteArrayView body) {
    const std::optional<QByteArray> data = decodeBody(body);
    if (!data)
        return kBadData;
    const std::optional<TableUpload> upload = parseTableUpload(*data);
    if (!upload)
        return kBadData;
    // The digest is checked over the text exactly as received, in the sender's code page.
    const std::optional<HighscoreTable> table = parseSignedTable(upload->tableText);
    // The program reads a text without a header row as an empty table; here it is no table.
    if (!table || table->game == 0)
        return kBadData;
    if (!table->verified)
        return kBadSignature;
    for (const quint32 index : upload->chosen) {
        if (index >= quint32(table->records.size()))
            return kBadData;
    }
    if (!IsAcceptableEmail(upload->email))
        return kBadEmail;
    if (policy.allowedGames && !policy.allowedGames->contains(table->game))
        return kUnknownGame;

    TableSubmission submission;
    submission.game = table->game;
    submission.format = table->format;
    submission.title = HandheldText(table->title);
    submission.email = HandheldText(upload->email);
    submission.when = Now();
    QSet<quint32> taken;
    for (const quint32 index : upload->chosen) {
        if (taken.contains(index))
            continue;
        taken.insert(index);
        const HighscoreRecord& record = table->records[index];
        submission.records.push_back(
            {HandheldText(record.name), record.score, HandheldText(record.extra)});
    }
    if (submission.records.empty())
        return kOk;
    const DbStatus status = Leaderboards(database).Store(submission);
    return status == DbStatus::Ok ? kOk : ReplyForFailure(status);
}

int UploadHandler::IslandsReply(QByteArrayView body, const QString& clientAddress) {
    const std::optional<QByteArray> data = decodeBody(body);
    if (!data)
        return kBadData;
    const std::optional<IslandsUpload> upload = parseIslandsUpload(*data);
    if (!upload)
        return kBadData;
    const qint64 now = Now();
    const std::optional<bool> admitted = AdmitAttempt(database, clientAddress, "islands",
                                                      policy.islandsUploadsPerHour, kHourMs, now);
    if (!admitted)
        return ReplyForFailure(database.LastStatus());
    if (!*admitted)
        return kTryLater;
    if (!IsAcceptableEmail(upload->email))
        return kBadEmail;
    if (upload->email.isEmpty())
        return kNoSuchUser;

    IslandStore store(database);
    const std::optional<AccountLookup> account = store.FindAccount(HandheldText(upload->email));
    if (!account)
        return ReplyForFailure(database.LastStatus());
    if (!account->found)
        return kNoSuchUser;
    if (!PasswordMatches(account->passwordHash, HandheldText(upload->password).toUtf8()))
        return kBadPassword;

    std::vector<ReceivedIsland> islands;
    islands.reserve(upload->files.size());
    for (const QByteArray& file : upload->files) {
        ReceivedIsland island;
        if (const auto header = readIslandHeader(file)) {
            island.islandId = HandheldText(header->id);
            island.name = HandheldText(header->name);
        }
        island.bytes = file;
        islands.push_back(std::move(island));
    }
    if (islands.empty())
        return kOk;
    const DbStatus status = store.Store(account->id, islands, now);
    if (status == DbStatus::Declined)
        return kIslandCompleted;
    return status == DbStatus::Ok ? kOk : ReplyForFailure(status);
}
