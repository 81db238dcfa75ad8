#include "server/IslandStore.h"

#include "server/Database.h"
#include "server/Players.h"

#include <QCryptographicHash>
#include <QHash>

std::optional<AccountLookup> IslandStore::FindAccount(const QString& email) {
    QSqlQuery* query = database.Run("SELECT id, password_hash FROM players "
                                    "WHERE email_key = ? AND password_hash IS NOT NULL",
                                    {QString::fromLatin1(TextKey({email.toLower()}))});
    if (!query)
        return std::nullopt;
    AccountLookup account;
    if (query->next()) {
        account.found = true;
        account.id = query->value(0).toLongLong();
        account.passwordHash = query->value(1).toString().toLatin1();
    }
    query->finish();
    return account;
}

DbStatus IslandStore::Register(const QString& email, const QByteArray& passwordHash,
                               const QString& displayName, qint64 now) {
    return database.Transact(Durability::Full, [&] {
        const std::optional<qint64> player = FindOrAddPlayer(database, email, now);
        if (!player)
            return false;
        // A player known from table uploads claims the address; a registered one keeps it.
        QSqlQuery* query = database.Run("UPDATE players SET password_hash = ?, display_name = ? "
                                        "WHERE id = ? AND password_hash IS NULL",
                                        {QString::fromLatin1(passwordHash), displayName, *player});
        return query && query->numRowsAffected() == 1;
    });
}

// Reply 12: an island id reused after its island was completed.
//
// The program uploads whole island files; the header of each holds the island's name and id.
// The player's current island is uploaded again and again while it grows (the program never
// deletes it), so one id arriving with new bytes is normal. The game gives a new island a new
// id once the current one is completed, so an island whose id was first received before some
// other id of the same account was first received is completed: it cannot change any more,
// and after its upload the program deletes its file. The same id arriving again with
// different bytes then means a new island that reuses a completed island's id (the game was
// set up again with an old settings file). Two different files with one id in a single
// upload mean the same, since a handheld holds only one current island.
//
// The same bytes again are a harmless repeat (say the deletion on the handheld failed): they
// are accepted and stored once. Every different file is kept; pages show the newest of each
// id.
DbStatus IslandStore::Store(qint64 accountId, const std::vector<ReceivedIsland>& islands,
                            qint64 now) {
    QHash<QString, QByteArray> bytesOfId;
    for (const ReceivedIsland& island : islands) {
        if (island.islandId.isEmpty())
            continue;
        const auto seen = bytesOfId.constFind(island.islandId);
        if (seen != bytesOfId.constEnd() && *seen != island.bytes)
            return DbStatus::Declined;
        bytesOfId.insert(island.islandId, island.bytes);
    }
    return database.Transact(Durability::Full, [&] {
        // PostgreSQL: uploads to one account take turns (SQLite writers always do).
        if (database.Kind() == DatabaseUrl::Kind::Postgres &&
            !database.Value("SELECT id FROM players WHERE id = ? FOR UPDATE", {accountId}))
            return false;
        const std::optional<QVariant> upload = database.Value(
            "INSERT INTO island_uploads (player_id, received) VALUES (?, ?) RETURNING id",
            {accountId, now});
        if (!upload)
            return false;
        for (const ReceivedIsland& island : islands) {
            bool reused = false;
            if (!StoreOne(accountId, upload->toLongLong(), island, now, reused) || reused)
                return false;
        }
        return true;
    });
}

bool IslandStore::StoreOne(qint64 accountId, qint64 uploadId, const ReceivedIsland& island,
                           qint64 now, bool& reused) {
    const QString digest = QString::fromLatin1(
        QCryptographicHash::hash(island.bytes, QCryptographicHash::Sha256).toHex());
    const std::optional<QVariant> repeat = database.Value(
        "SELECT id FROM island_files WHERE player_id = ? AND digest = ?", {accountId, digest});
    if (repeat)
        return true;
    if (database.LastStatus() != DbStatus::Ok)
        return false;
    if (!island.islandId.isEmpty()) {
        // Only what earlier uploads stored decides; this upload's own islands do not.
        const std::optional<QVariant> first =
            database.Value("SELECT MIN(upload_id) FROM island_files "
                           "WHERE player_id = ? AND island_id = ? AND upload_id < ?",
                           {accountId, island.islandId, uploadId});
        if (!first)
            return false;
        if (!first->isNull()) {
            const std::optional<QVariant> newer = database.Value(
                "SELECT island_id FROM island_files WHERE player_id = ? AND island_id <> ? "
                "AND island_id <> '' AND upload_id < ? GROUP BY island_id "
                "HAVING MIN(upload_id) > ? LIMIT 1",
                {accountId, island.islandId, uploadId, first->toLongLong()});
            if (newer) {
                reused = true;
                return true;
            }
            if (database.LastStatus() != DbStatus::Ok)
                return false;
        }
    }
    return database.Run("INSERT INTO island_files (player_id, upload_id, island_id, name, "
                        "digest, size, bytes, received) VALUES (?, ?, ?, ?, ?, ?, ?, ?) "
                        "ON CONFLICT (player_id, digest) DO NOTHING",
                        {accountId, uploadId, island.islandId, island.name, digest,
                         qint64(island.bytes.size()), island.bytes, now}) != nullptr;
}

std::optional<std::vector<IslandAccountSummary>> IslandStore::Accounts() {
    QSqlQuery* query =
        database.Run("SELECT p.id, COALESCE(p.display_name, ''), COUNT(DISTINCT f.island_id), "
                     "MAX(f.received) FROM island_files f JOIN players p ON p.id = f.player_id "
                     "GROUP BY p.id, p.display_name ORDER BY MAX(f.received) DESC, p.id");
    if (!query)
        return std::nullopt;
    std::vector<IslandAccountSummary> accounts;
    while (query->next()) {
        const qint64 id = query->value(0).toLongLong();
        accounts.push_back({id, PlayerLabel(id, query->value(1).toString()),
                            query->value(2).toLongLong(), query->value(3).toLongLong()});
    }
    query->finish();
    return accounts;
}

std::optional<AccountIslands> IslandStore::OfAccount(qint64 playerId) {
    AccountIslands out;
    const std::optional<QVariant> name =
        database.Value("SELECT COALESCE(display_name, '') FROM players WHERE id = ? "
                       "AND password_hash IS NOT NULL",
                       {playerId});
    if (!name)
        return database.LastStatus() == DbStatus::Ok ? std::optional<AccountIslands>(out)
                                                     : std::nullopt;
    out.player = PlayerLabel(playerId, name->toString());
    QSqlQuery* query = database.Run(
        "SELECT f.island_id, f.name, f.size, f.received, (SELECT COUNT(*) FROM island_files v "
        "WHERE v.player_id = f.player_id AND v.island_id = f.island_id) FROM island_files f "
        "WHERE f.player_id = ? AND f.id = (SELECT MAX(l.id) FROM island_files l "
        "WHERE l.player_id = f.player_id AND l.island_id = f.island_id) "
        "ORDER BY f.received DESC, f.id DESC",
        {playerId});
    if (!query)
        return std::nullopt;
    while (query->next())
        out.islands.push_back({query->value(0).toString(), query->value(1).toString(),
                               query->value(2).toLongLong(), query->value(3).toLongLong(),
                               query->value(4).toLongLong()});
    query->finish();
    return out;
}
