#pragma once

// The account checks of the Options dialog, shared with the command line's options command.

#include <string>

class CSettings;

inline constexpr const char* kInvalidEmailText = "Invalid E-mail format.";

// True when the address is acceptable: empty, or its first "@" is neither the first nor the
// last character. The address is taken as given (trim it first).
bool IsValidEmailAddress(const std::string& address);

enum class AccountField {
    None,           // all accepted
    CommunityEmail, // the community e-mail address is malformed
    IslandsEmail,   // the islands e-mail address is malformed
};

// What OK does with the three account fields: trims both addresses, checks the community one
// and then the islands one, and when both pass stores all three in settings (the password
// exactly as given). Returns the first field that failed; settings stay untouched then.
AccountField ApplyAccountFields(CSettings& settings, const std::string& email,
                                const std::string& islandsEmail,
                                const std::string& islandsPassword);
