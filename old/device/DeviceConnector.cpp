#include "device/DeviceConnector.h"

#include "device/RapiLibraryDevice.h"
#include "device/SimulatedDevice.h"

#include <QSettings>

namespace {

QString DeviceSetting(const char* key) {
    QSettings profile(QStringLiteral("Zelkora"), QStringLiteral("Scorvane"));
    return profile.value(QStringLiteral("Device/") + QLatin1String(key)).toString().trimmed();
}

std::optional<rapi::DWORD> ParseWait(const QString& text) {
    if (text.isEmpty() || text.size() > 10)
        return std::nullopt;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    const qulonglong value = text.toULongLong();
    if (value > kMaxSessionWaitMs)
        return std::nullopt;
    return static_cast<rapi::DWORD>(value);
}

} // namespace

QStringList RapiLibraryCandidates() {
    QStringList candidates;
    const QString fromEnvironment = qEnvironmentVariable("SCORVANE_RAPI_LIBRARY").trimmed();
    if (!fromEnvironment.isEmpty())
        candidates.append(fromEnvironment);
    const QString fromProfile = DeviceSetting("RapiLibrary");
    if (!fromProfile.isEmpty() && !candidates.contains(fromProfile))
        candidates.append(fromProfile);
    for (const QString& name : CRapiLibraryDevice::PlatformLibraryNames())
        if (!candidates.contains(name))
            candidates.append(name);
    return candidates;
}

std::optional<rapi::DWORD> SessionWaitOverride() {
    if (qEnvironmentVariableIsSet("SCORVANE_SESSION_WAIT_MS"))
        if (auto wait = ParseWait(qEnvironmentVariable("SCORVANE_SESSION_WAIT_MS").trimmed()))
            return wait;
    return ParseWait(DeviceSetting("SessionWaitMs"));
}

std::unique_ptr<IRapiDevice> CreateDevice(const QString& imageFolder) {
    if (!imageFolder.isEmpty())
        return std::make_unique<CSimulatedDevice>(imageFolder);
    return std::make_unique<CRapiLibraryDevice>(RapiLibraryCandidates(), SessionWaitOverride());
}
