#pragma once

// The leaderboards: one per (game number, format number, title), holding the records that
// table uploads chose. A record counts once per board and submitter, however often the same
// table is published again.

#include <QString>
#include <optional>
#include <vector>

class Database;
enum class DbStatus;

struct SubmittedRecord {
    QString name;
    qint32 score = 0;
    QString extra;
};

struct TableSubmission {
    qint32 game = 0;
    qint32 format = 0;
    QString title;
    QString email; // empty: anonymous
    std::vector<SubmittedRecord> records;
    qint64 when = 0; // milliseconds since the epoch, UTC
};

struct BoardSummary {
    qint32 game = 0;
    qint32 format = 0;
    QString title;
    qint64 entries = 0;
};

struct BoardEntry {
    qint64 rank = 0; // equal scores share a rank
    QString name;
    qint32 score = 0;
    QString extra;
    qint64 submitted = 0;
    qint64 playerId = 0; // 0: anonymous
    QString player;      // how pages show the submitter
};

struct Board {
    BoardSummary summary;
    std::vector<BoardEntry> entries; // best first, at most the limit asked for
};

struct PlayerEntry {
    BoardSummary board;
    BoardEntry entry;
};

struct PlayerEntries {
    QString player;
    std::vector<PlayerEntry> entries;
};

class Leaderboards {
public:
    explicit Leaderboards(Database& database) : database(database) {}

    // Stores the records in one transaction.
    DbStatus Store(const TableSubmission& submission);

    // Reads; empty when the database failed (its status tells why).
    std::optional<std::vector<BoardSummary>> List();
    // A board that does not exist reads as a board without entries and summary.game 0.
    std::optional<Board> Find(qint32 game, qint32 format, const QString& title, qint64 limit);
    // A player that does not exist reads as an empty player name.
    std::optional<PlayerEntries> OfPlayer(qint64 playerId);

private:
    Database& database;
};
