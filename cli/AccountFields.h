#pragma once

#include <QString>

struct Settings;

// The three account fields as the Options dialog takes them on OK: both addresses trimmed and
// checked, the community one first, the password exactly as given. False, with settings
// untouched, when an address breaks the e-mail rule (kInvalidEmailText).
bool setAccountFields(Settings& settings, const QString& email, const QString& islandsEmail,
                      const QString& password);
