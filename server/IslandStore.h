#pragma once

// Islands accounts and the island files uploaded to them.

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

class Database;
enum class DbStatus;

struct AccountLookup {
    bool found = false; // a registered account has this address
    qint64 id = 0;
    QByteArray passwordHash;
};

struct ReceivedIsland {
    QString islandId; // from the header; empty for a file shorter than the header
    QString name;
    QByteArray bytes;
};

struct IslandAccountSummary {
    qint64 playerId = 0;
    QString player;
    qint64 islands = 0;
    qint64 lastReceived = 0;
};

struct StoredIsland {
    QString islandId;
    QString name;
    qint64 size = 0;
    qint64 received = 0;
    qint64 versions = 0; // how many different files arrived with this id
};

struct AccountIslands {
    QString player; // empty when there is no such account
    std::vector<StoredIsland> islands;
};

class IslandStore {
public:
    explicit IslandStore(Database& database) : database(database) {}

    // Empty when the database failed.
    std::optional<AccountLookup> FindAccount(const QString& email);

    // Registers the address with a password hash and an optional display name. Declined when
    // the address already has an account.
    DbStatus Register(const QString& email, const QByteArray& passwordHash,
                      const QString& displayName, qint64 now);

    // Stores one upload's island files in one transaction. Declined, with nothing stored, when
    // an island reuses the id of a completed island (see the rule in IslandStore.cpp).
    DbStatus Store(qint64 accountId, const std::vector<ReceivedIsland>& islands, qint64 now);

    std::optional<std::vector<IslandAccountSummary>> Accounts();
    std::optional<AccountIslands> OfAccount(qint64 playerId);

private:
    bool StoreOne(qint64 accountId, qint64 uploadId, const ReceivedIsland& island, qint64 now,
                  bool& reused);

    Database& database;
};
