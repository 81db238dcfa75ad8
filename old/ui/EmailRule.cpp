#include "ui/EmailRule.h"

#include "ui/Settings.h"

bool IsValidEmailAddress(const std::string& address) {
    if (address.empty())
        return true;
    const auto at = address.find('@');
    return at != std::string::npos && at >= 1 && at + 2 <= address.size();
}

AccountField ApplyAccountFields(CSettings& settings, const std::string& email,
                                const std::string& islandsEmail,
                                const std::string& islandsPassword) {
    const std::string community = TrimWhitespace(email);
    const std::string islands = TrimWhitespace(islandsEmail);
    if (!IsValidEmailAddress(community))
        return AccountField::CommunityEmail;
    if (!IsValidEmailAddress(islands))
        return AccountField::IslandsEmail;
    settings.community.SetEmail(community);
    settings.islands.SetEmail(islands);
    settings.islands.SetPassword(islandsPassword);
    return AccountField::None;
}
