#pragma once

#include <string>

class CHighscoreSource;

// The handheld owner's name from "\ControlPanel\Owner" on the handheld: the binary "Owner"
// value, else the "Name" string. Without either the name is "Anonymous" and the collection
// keeps a notice for the user.
std::string GetOwnerName(const CHighscoreSource& source);

// Two 32-bit values at data's position (games played, games won) become one record of the
// owner with the games won as score. False with fewer than 8 bytes or when both are 0.
bool DecodeSolitaireStats(CHighscoreSource& source);

// Two 32-bit values at data's position (score, games played) become one record of the owner.
// False with fewer than 8 bytes or when both are 0.
bool DecodeModeStats(CHighscoreSource& source);
