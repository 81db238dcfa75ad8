#include "ui/Settings.h"

#include "device/TextCodec.h"
#include "ui/Profile.h"

#include <QSettings>
#include <QString>
#include <cstdio>

namespace {

const char* const kOrganisation = "Zelkora";
const char* const kApplication = "Scorvane";
const char* const kSection = "Options";

const char* const kCommunityUrlKey = "ScriptPath";
const char* const kCommunityEmailKey = "Email";
const char* const kIslandsUrlKey = "Skyholm_ScriptPath";
const char* const kIslandsEmailKey = "Skyholm_Email";
const char* const kIslandsPasswordKey = "Skyholm_Password";

bool IsTrimmed(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

std::uint8_t KeyByte(std::size_t i) {
    return static_cast<std::uint8_t>((kPasswordKeyStart + kPasswordKeyStep * (i & 0xFF)) & 0xFF);
}

QString Key(const char* name) {
    return QLatin1String(kSection) + QLatin1Char('/') + QLatin1String(name);
}

std::string ReadKey(QSettings& profile, const char* name) {
    return NarrowFromQString(profile.value(Key(name)).toString());
}

// Writes a script URL that the user set: not an empty one (it would hide the system-wide
// URL), and not one that merely repeats the system-wide URL the user's profile does not hold.
void WriteScriptUrl(QSettings& profile, const char* name, const DestinationSettings& value) {
    const QString key = Key(name);
    const std::string url = value.GetScriptUrl();
    if (url.empty()) {
        profile.remove(key);
        return;
    }
    QSettings own(QSettings::UserScope, QLatin1String(kOrganisation), QLatin1String(kApplication));
    own.setFallbacksEnabled(false);
    if (!own.contains(key)) {
        const QSettings system(QSettings::SystemScope, QLatin1String(kOrganisation),
                               QLatin1String(kApplication));
        DestinationSettings systemWide;
        systemWide.SetScriptUrl(NarrowFromQString(system.value(key).toString()));
        if (systemWide.GetScriptUrl() == url)
            return;
    }
    profile.setValue(key, QStringFromNarrow(url));
}

} // namespace

std::string TrimWhitespace(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsTrimmed(text[begin]))
        ++begin;
    while (end > begin && IsTrimmed(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string EncodePassword(const std::string& password) {
    std::string out;
    out.reserve(password.size() * 2);
    for (std::size_t i = 0; i < password.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(password[i]);
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", unsigned(byte ^ KeyByte(i)));
        out += hex;
    }
    return out;
}

std::string DecodePassword(const std::string& text) {
    std::string out;
    const std::size_t pairs = text.size() / 2;
    for (std::size_t j = 0; j < pairs; ++j) {
        const int value = HexDigitValue(text[2 * j]) * 16 + HexDigitValue(text[2 * j + 1]);
        const auto byte = static_cast<char>(static_cast<std::uint8_t>(value) ^ KeyByte(j));
        if (byte == '\0')
            break;
        out += byte;
    }
    return out;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;
}

std::string DestinationSettings::GetScriptUrl() const {
    return secure ? "https://" + GetServerAndPath() : GetServerAndPath();
}

void DestinationSettings::SetServer(const std::string& text) {
    std::string value = TrimWhitespace(text);
    const auto scheme = value.find("://");
    if (scheme != std::string::npos)
        value = value.substr(scheme + 3);
    server = TrimWhitespace(value);
}

void DestinationSettings::SetScriptPath(const std::string& text) {
    std::string value = TrimWhitespace(text);
    if (!value.empty() && value.front() != '/')
        value.insert(value.begin(), '/');
    scriptPath = value;
}

void DestinationSettings::SetScriptUrl(const std::string& text) {
    std::string value = TrimWhitespace(text);
    secure = false;
    const auto scheme = value.find("://");
    if (scheme != std::string::npos) {
        const QString name = QStringFromNarrow(std::string_view(value).substr(0, scheme));
        secure = name.compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
        value = value.substr(scheme + 3);
    }
    const auto slash = value.find('/');
    if (slash != std::string::npos) {
        SetServer(value.substr(0, slash));
        SetScriptPath(value.substr(slash));
    } else {
        SetServer(value);
        SetScriptPath(std::string());
    }
}

void CSettings::Load() {
    QSettings profile{QLatin1String(kOrganisation), QLatin1String(kApplication)};

    community.SetScriptUrl(ReadKey(profile, kCommunityUrlKey));
    community.SetPort(community.secure ? 443 : 80);
    community.SetUserName(std::string());
    community.SetPassword(std::string());
    community.SetEmail(ReadKey(profile, kCommunityEmailKey));

    islands.SetScriptUrl(ReadKey(profile, kIslandsUrlKey));
    islands.SetPort(islands.secure ? 443 : 80);
    islands.SetUserName(std::string());
    islands.SetPassword(DecodePassword(ReadKey(profile, kIslandsPasswordKey)));
    islands.SetEmail(ReadKey(profile, kIslandsEmailKey));
}

bool CSettings::Save() const {
    QSettings profile = OpenProfile();
    WriteScriptUrl(profile, kCommunityUrlKey, community);
    profile.setValue(Key(kCommunityEmailKey), QStringFromNarrow(community.email));
    WriteScriptUrl(profile, kIslandsUrlKey, islands);
    profile.setValue(Key(kIslandsEmailKey), QStringFromNarrow(islands.email));
    profile.setValue(Key(kIslandsPasswordKey), QStringFromNarrow(EncodePassword(islands.password)));
    return SaveProfile(profile);
}

bool CSettings::IsSecureTarget(const std::string& server, const std::string& scriptPath) const {
    for (const DestinationSettings* destination : {&community, &islands}) {
        if (destination->secure && destination->server == server &&
            destination->scriptPath == scriptPath)
            return true;
    }
    return false;
}
