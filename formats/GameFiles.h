#pragma once

// Decoders of the layouts the games keep their highscores in, from the file's bytes to a
// table. Each gives nothing for a file that is short or malformed. Records that the table
// text could not carry unchanged (see isStorableRecord) are skipped.

#include "formats/HighscoreTable.h"

#include <QByteArrayView>
#include <QStringView>
#include <functional>
#include <optional>

// The brick-breaker's level table: a 32-bit count, then per entry a 32-bit name length in
// UTF-16 units, the name, the score and the level reached (all little-endian).
std::optional<HighscoreTable> decodeLevelTable(QByteArrayView file);

// The key strings that mask the three archive games' files.
enum class ArchiveKey { Quilbit, Marbelo, Deminar };

// A masked archive: a masked header string, then ten entries of a masked name string and a
// masked 32-bit score.
std::optional<HighscoreTable> decodeMaskedArchive(QByteArrayView file, ArchiveKey key);
// The three-entry archive of times: only the last entry counts, scored 999 minus its time.
std::optional<HighscoreTable> decodeTimedArchive(QByteArrayView file, ArchiveKey key);

// The handheld owner's name for tables made from statistics. Asked only when the statistics
// hold something.
using OwnerName = std::function<QByteArray()>;

// Two statistics values (games played, games won) as the owner's one record; nothing when
// both are 0.
std::optional<HighscoreTable> decodeSolitaireStatistics(quint32 games, quint32 won,
                                                        const OwnerName& owner);
// A puzzle mode's value (highest or average score) and its games played as the owner's one
// record; nothing when both are 0.
std::optional<HighscoreTable> decodeModeStatistics(quint32 score, quint32 games,
                                                   const OwnerName& owner);

// A game table as the program keeps it: the decoded table and the table text that is
// uploaded for it.
struct DecodedTable {
    HighscoreTable table;
    QByteArray text;
};

// Decodes what was read for the source named id: a game's file, or for the statistics
// sources their two 32-bit values. Games the catalogue knows get their decoder, their title,
// format 1, sorting and trimming, and a freshly signed table text (the Smartphone edition of
// the ball-alignment game too, whose file is table text); anything else must be a table text
// already and keeps its own header, digest and bytes. The game decoders see the data followed
// by one NUL byte, as the program has always held a file read from the handheld.
std::optional<DecodedTable> decodeGameData(QStringView id, QByteArrayView data,
                                           const OwnerName& owner);
