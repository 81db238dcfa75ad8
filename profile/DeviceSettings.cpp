#include "profile/DeviceSettings.h"

#include "profile/Profile.h"

#include <algorithm>

namespace {

const QString kImageFolderKey = QStringLiteral("Device/ImageFolder");
const QString kRapiLibraryKey = QStringLiteral("Device/RapiLibrary");
const QString kSessionWaitKey = QStringLiteral("Device/SessionWaitMs");

std::optional<std::chrono::milliseconds> parseWait(const QString& text) {
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok);
    // Digits only: no sign, no blanks, no other base.
    if (!ok || text.isEmpty() || text.size() > 10 ||
        !std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }) ||
        value > qulonglong(kMaxSessionWait.count()))
        return std::nullopt;
    return std::chrono::milliseconds(value);
}

} // namespace

QString rememberedImageFolder(const ProfileStore& profile) {
    return profile.value(kImageFolderKey).toString();
}

bool rememberImageFolder(ProfileStore& profile, const QString& folder) {
    return folder.isEmpty() ? profile.remove(kImageFolderKey)
                            : profile.setValue(kImageFolderKey, folder);
}

QStringList rapiLibraryCandidates(const ProfileStore& profile, const QStringList& platformNames) {
    QStringList candidates;
    const QString fromEnvironment = qEnvironmentVariable("SCORVANE_RAPI_LIBRARY").trimmed();
    if (!fromEnvironment.isEmpty())
        candidates.append(fromEnvironment);
    const QString fromProfile = profile.value(kRapiLibraryKey).toString().trimmed();
    if (!fromProfile.isEmpty())
        candidates.append(fromProfile);
    candidates.append(platformNames);
    candidates.removeDuplicates();
    return candidates;
}

std::optional<std::chrono::milliseconds> sessionWaitOverride(const ProfileStore& profile) {
    if (qEnvironmentVariableIsSet("SCORVANE_SESSION_WAIT_MS"))
        if (auto wait = parseWait(qEnvironmentVariable("SCORVANE_SESSION_WAIT_MS").trimmed()))
            return wait;
    return parseWait(profile.value(kSessionWaitKey).toString().trimmed());
}
