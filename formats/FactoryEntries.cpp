// The entries the games write into an empty highscore table.
#include "formats/GameCatalogue.h"
#include "formats/HighscoreTable.h"

#include <array>

namespace {

struct FactoryEntry {
    qint32 game;
    QByteArrayView name;
    qint32 score;
    QByteArrayView extra;
};

constexpr std::array<FactoryEntry, 14> kFactoryEntries = {{
    {Game::Vondrel, "Player 1", 1000, "Level: 5"},
    {Game::Vondrel, "Player 2", 2000, "Level: 6"},
    {Game::Vondrel, "Player 3", 3000, "Level: 7"},
    {Game::Vondrel, "Player 4", 4000, "Level: 8"},
    {Game::Vondrel, "Player 5", 5000, "Level: 11"},
    {Game::Vondrel, "Player 6", 7000, "Level: 16"},
    {Game::Vondrel, "Player 7", 10000, "Level: 15"},
    {Game::Vondrel, "Player 8", 12500, "Level: 14"},
    {Game::Vondrel, "Player 9", 15000, "Level: 17"},
    {Game::Vondrel, "Player 10", 20000, "Level: 20"},
    {Game::Quilbit, "Anonymous", 100, ""},
    {Game::Marbelo, "Anonymous", 100, ""},
    {Game::Deminar, "Anonymous", 0, "Time: 999"},
    {Game::Courtwise, "Anonymous", 0, ""},
}};

// Any game but the statistics may mark an entry as a factory entry in its extra text.
constexpr QByteArrayView kFactoryMark = "[default]";

} // namespace

bool isFactoryEntry(qint32 game, const HighscoreRecord& record) {
    if (game == Game::Unknown)
        return true;
    if (isStatisticsGame(game))
        return record.score <= 0;
    if (game == Game::Deminar && record.score <= 0)
        return true;
    for (const FactoryEntry& entry : kFactoryEntries)
        if (entry.game == game && entry.name == record.name && entry.score == record.score &&
            entry.extra == record.extra)
            return true;
    return record.extra.startsWith(kFactoryMark);
}
