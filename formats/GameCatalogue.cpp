#include "formats/GameCatalogue.h"

#include <QLatin1StringView>
#include <array>

namespace {

struct GameId {
    QLatin1StringView id; // lowercase
    qint32 game;
};

using namespace Qt::Literals::StringLiterals;

constexpr std::array<GameId, 24> kGameIds = {{
    {"vondrel"_L1, Game::Vondrel},
    {"zelk vondrel"_L1, Game::Vondrel},
    {"vondrel sp"_L1, Game::Vondrel},
    {"quilbit"_L1, Game::Quilbit},
    {"zelk quilbit"_L1, Game::Quilbit},
    {"marbelo"_L1, Game::Marbelo},
    {"zelk marbelo"_L1, Game::Marbelo},
    {"marbelo sp"_L1, Game::Marbelo},
    {"solvane"_L1, Game::Solvane},
    {"zelk solvane"_L1, Game::Solvane},
    {"deminar"_L1, Game::Deminar},
    {"zelk deminar"_L1, Game::Deminar},
    {"courtwise"_L1, Game::Courtwise},
    {"zelk courtwise"_L1, Game::Courtwise},
    {"paddlet"_L1, Game::Courtwise},
    {"zelk paddlet"_L1, Game::Courtwise},
    {"chomplet0"_L1, 20},
    {"chomplet1"_L1, 21},
    {"chomplet2"_L1, 22},
    {"chomplet3"_L1, 23},
    {"chomplet4"_L1, 24},
    {"chomplet5"_L1, 25},
    {"chomplet6"_L1, 26},
    {"chomplet7"_L1, 27},
}};

constexpr auto kMarbeloSmartphoneId = "marbelo sp"_L1;
constexpr auto kDefaultHighscoreFile = "HighScores.sco"_L1;
constexpr auto kArchiveFile = "records.dat"_L1;

// The puzzle game's tables, in game number order from Game::FirstPuzzleTable.
constexpr std::array<const char*, 8> kPuzzleTitles = {
    "Chomplet Standard High",      "Chomplet Standard Average",  "Chomplet Continuous High",
    "Chomplet Continuous Average", "Chomplet Shifter High",      "Chomplet Shifter Average",
    "Chomplet Megaslide High",     "Chomplet Megaslide Average",
};

} // namespace

qint32 gameForId(QStringView id) {
    const QString lower = id.toString().toLower();
    for (const GameId& entry : kGameIds)
        if (entry.id == lower)
            return entry.game;
    return Game::Unknown;
}

bool isMarbeloSmartphone(QStringView id) {
    return id.compare(kMarbeloSmartphoneId, Qt::CaseInsensitive) == 0;
}

QString highscoreFileName(QStringView folderName) {
    if (isMarbeloSmartphone(folderName))
        return kDefaultHighscoreFile;
    switch (gameForId(folderName)) {
    case Game::Quilbit:
    case Game::Marbelo:
    case Game::Deminar:
    case Game::Courtwise:
        return kArchiveFile;
    default:
        return kDefaultHighscoreFile;
    }
}

QByteArray gameTitle(qint32 game) {
    switch (game) {
    case Game::Vondrel:
        return "Zelk Vondrel";
    case Game::Quilbit:
        return "Zelk Quilbit";
    case Game::Marbelo:
        return "Zelk Marbelo";
    case Game::Solvane:
        return "Zelk Solvane";
    case Game::Deminar:
        return "Zelk Deminar";
    case Game::Courtwise:
        return "Zelk Paddlet"; // the tennis and the paddle game alike
    case Game::Islands:
        return "Zelk Skyholm";
    default:
        return isPuzzleTable(game) ? QByteArray(kPuzzleTitles[game - Game::FirstPuzzleTable])
                                   : QByteArray();
    }
}

QString gameIconName(qint32 game) {
    switch (game) {
    case Game::Vondrel:
        return u"vondrel"_s;
    case Game::Quilbit:
        return u"quilbit"_s;
    case Game::Marbelo:
        return u"marbelo"_s;
    case Game::Solvane:
        return u"solvane"_s;
    case Game::Deminar:
        return u"deminar"_s;
    case Game::Courtwise:
        return u"courtwise"_s;
    case Game::Islands:
        return u"islands"_s;
    default:
        return isPuzzleTable(game) ? u"chomplet"_s : u"unknown"_s;
    }
}
