#include "cli/AccountFields.h"

#include "profile/Settings.h"

bool setAccountFields(Settings& settings, const QString& email, const QString& islandsEmail,
                      const QString& password) {
    const QString community = trimmedText(email);
    const QString islands = trimmedText(islandsEmail);
    if (!isValidEmailAddress(community) || !isValidEmailAddress(islands))
        return false;
    settings.community.email = community;
    settings.islands.email = islands;
    settings.islands.password = password;
    return true;
}
