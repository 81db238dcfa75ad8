#include "scores/DefaultEntries.h"

#include <array>

namespace {

struct DefaultItem {
    std::int32_t game;
    std::string_view name;
    std::int32_t score;
    std::string_view extra;
};

constexpr std::array<DefaultItem, 14> kDefaultItems = {{
    {1, "Player 1", 1000, "Level: 5"},
    {1, "Player 2", 2000, "Level: 6"},
    {1, "Player 3", 3000, "Level: 7"},
    {1, "Player 4", 4000, "Level: 8"},
    {1, "Player 5", 5000, "Level: 11"},
    {1, "Player 6", 7000, "Level: 16"},
    {1, "Player 7", 10000, "Level: 15"},
    {1, "Player 8", 12500, "Level: 14"},
    {1, "Player 9", 15000, "Level: 17"},
    {1, "Player 10", 20000, "Level: 20"},
    {2, "Anonymous", 100, ""},
    {3, "Anonymous", 100, ""},
    {5, "Anonymous", 0, "Time: 999"},
    {6, "Anonymous", 0, ""},
}};

constexpr std::string_view kDefaultMark = "[default]";

bool IsStatisticsGame(std::int32_t game) {
    return game == 4 || (game >= 20 && game <= 27);
}

} // namespace

bool IsDefaultEntry(std::int32_t game, std::string_view name, std::int32_t score,
                    std::string_view extra) {
    if (game == 0)
        return true;
    if (IsStatisticsGame(game))
        return score <= 0;
    if (game == 5 && score <= 0)
        return true;
    if (game >= 1 && game <= 6) {
        for (const DefaultItem& item : kDefaultItems)
            if (item.game == game && item.name == name && item.score == score &&
                item.extra == extra)
                return true;
    }
    return extra.size() >= kDefaultMark.size() &&
           extra.substr(0, kDefaultMark.size()) == kDefaultMark;
}
