#pragma once

// A highscore table as the games and the upload sites know it: a header (game number, format
// number, title) and up to kMaxRecords records. Names, extra texts and titles are 8-bit text in
// the system code page, exactly the bytes the table text carries and the upload sends.

#include <QByteArray>
#include <QList>

// Most records a table keeps.
inline constexpr qsizetype kMaxRecords = 25;

struct HighscoreRecord {
    QByteArray name;
    qint32 score = 0;
    QByteArray extra; // "Level: 7", "Time: 120", "Games: 4", free text; may be empty

    bool operator==(const HighscoreRecord&) const = default;
};

struct HighscoreTable {
    qint32 game = 0;   // game number, see GameCatalogue.h
    qint32 format = 0; // format number of the table text; 1 for tables the program decodes
    QByteArray title;
    QList<HighscoreRecord> records;
    bool verified = true; // a parsed table text's digest matched

    // Adds a record unless the table already holds kMaxRecords and the record scores no
    // higher than the last one added (file order).
    void addBounded(HighscoreRecord record);
    // Highest score first (equal scores keep their order), then cut to kMaxRecords.
    void sortAndTrim();

    bool operator==(const HighscoreTable&) const = default;
};

// Whether the table text can carry a record unchanged: a non-empty name, a score of 0 or
// more, and a name and an extra text without "|", line feed, carriage return or NUL that fit
// the 1023 bytes of a field.
bool isStorableRecord(const HighscoreRecord& record);

// The line the tree shows for a record: "Ann, 1200 points, Level: 7" (", extra" only when
// there is one). Name and extra count with at most 1023 bytes each.
QByteArray entryText(const HighscoreRecord& record);

// True for the entries a game writes into an empty table; the tree hides them, but they keep
// their index.
bool isFactoryEntry(qint32 game, const HighscoreRecord& record);
