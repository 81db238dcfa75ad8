#pragma once

// How the program reaches the handheld, from the environment and the profile's section
// "Device".

#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

class ProfileStore;

// How long a handheld has to answer a new session, and the longest wait that may be set.
inline constexpr std::chrono::milliseconds kSessionWait{10000};
inline constexpr std::chrono::milliseconds kMaxSessionWait{600000};

// The device image folder chosen in the desktop program ("ImageFolder"); empty for the
// connected handheld.
QString rememberedImageFolder(const ProfileStore& profile);
bool rememberImageFolder(ProfileStore& profile, const QString& folder);

// Where the remote API library is looked for, in this order: SCORVANE_RAPI_LIBRARY,
// "RapiLibrary" in the profile, then the platform's own names.
QStringList rapiLibraryCandidates(const ProfileStore& profile, const QStringList& platformNames);
// SCORVANE_SESSION_WAIT_MS, else "SessionWaitMs" in the profile: 0 to kMaxSessionWait;
// anything else is ignored.
std::optional<std::chrono::milliseconds> sessionWaitOverride(const ProfileStore& profile);
