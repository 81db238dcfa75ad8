#pragma once

// The games the program knows: their numbers, the folder and file names they use on the
// handheld, and their display titles. Everything that depends on a game number asks here.

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace Game {
enum Number : qint32 {
    Unknown = 0,
    Vondrel = 1,   // brick-breaker, level table file
    Quilbit = 2,   // masked archive
    Marbelo = 3,   // masked archive; the Smartphone edition keeps a table text
    Solvane = 4,   // solitaire statistics in the registry
    Deminar = 5,   // masked archive of times
    Courtwise = 6, // tennis and paddle games share this number
    FirstPuzzleTable = 20,
    LastPuzzleTable = 27, // the puzzle game's eight tables, two per mode
    Islands = 1001,
};
}

// The game a folder or source name belongs to, compared without regard to case; Game::Unknown
// when the catalogue does not know it.
qint32 gameForId(QStringView id);
// Whether id names the Smartphone edition of the ball-alignment game, which keeps its table as
// table text in "HighScores.sco".
bool isMarbeloSmartphone(QStringView id);
// The highscore file in a game's folder ("HighScores.sco" for games that name none).
QString highscoreFileName(QStringView folderName);
// The title shown for a game's tables ("Zelk Skyholm" for the islands); empty for numbers the
// catalogue does not know.
QByteArray gameTitle(qint32 game);
// The name of the icon for a game's tables ("unknown" for numbers without one of their own).
QString gameIconName(qint32 game);

inline bool isPuzzleTable(qint32 game) {
    return game >= Game::FirstPuzzleTable && game <= Game::LastPuzzleTable;
}
// Games whose single record is statistics rather than a table of players.
inline bool isStatisticsGame(qint32 game) {
    return game == Game::Solvane || isPuzzleTable(game);
}
