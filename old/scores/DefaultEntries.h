#pragma once

#include <cstdint>
#include <string_view>

// True for the entries a game writes into an empty highscore table; the tree hides them.
bool IsDefaultEntry(std::int32_t game, std::string_view name, std::int32_t score,
                    std::string_view extra);
