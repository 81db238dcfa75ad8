#include "profile/Settings.h"

#include "profile/Profile.h"

namespace {

using namespace Qt::Literals::StringLiterals;

const QString kCommunityUrlKey = u"Options/ScriptPath"_s;
const QString kCommunityEmailKey = u"Options/Email"_s;
const QString kIslandsUrlKey = u"Options/Skyholm_ScriptPath"_s;
const QString kIslandsEmailKey = u"Options/Skyholm_Email"_s;
const QString kIslandsPasswordKey = u"Options/Skyholm_Password"_s;

constexpr quint8 kPasswordKeyStart = 0x6B;
constexpr quint8 kPasswordKeyStep = 0x35;

const QString& urlKey(Site site) {
    return site == Site::Community ? kCommunityUrlKey : kIslandsUrlKey;
}

bool isTrimmed(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// 0 to 15 for a hex digit of either case; 0 for anything else.
int nibble(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 0;
}

quint8 passwordKey(qsizetype i) {
    return quint8(kPasswordKeyStart + kPasswordKeyStep * i);
}

// The script URL a value of the profile gives, as it would be stored.
QString normalisedUrl(const QString& url) {
    DestinationSettings destination;
    destination.setScriptUrl(url);
    return destination.scriptUrl();
}

} // namespace

QString DestinationSettings::scriptUrl() const {
    return secure ? u"https://"_s + serverAndPath() : serverAndPath();
}

void DestinationSettings::setScriptUrl(const QString& url) {
    QString rest = trimmedText(url);
    secure = false;
    if (const qsizetype scheme = rest.indexOf(u"://"_s); scheme >= 0) {
        secure = QStringView(rest).first(scheme).compare(u"https"_s, Qt::CaseInsensitive) == 0;
        rest = rest.sliced(scheme + 3);
    }
    const qsizetype slash = rest.indexOf(u'/');
    server = trimmedText(slash < 0 ? rest : rest.first(slash));
    scriptPath = slash < 0 ? QString() : rest.sliced(slash);
}

void Settings::load(const ProfileStore& profile) {
    community = {};
    community.setScriptUrl(profile.value(kCommunityUrlKey).toString());
    community.email = trimmedText(profile.value(kCommunityEmailKey).toString());
    islands = {};
    islands.setScriptUrl(profile.value(kIslandsUrlKey).toString());
    islands.email = trimmedText(profile.value(kIslandsEmailKey).toString());
    islands.password = revealPassword(profile.value(kIslandsPasswordKey).toString());
}

bool Settings::saveAccount(ProfileStore& profile) const {
    // An empty script URL that older versions wrote would hide the system-wide one.
    for (const Site site : {Site::Community, Site::Islands})
        if (destination(site).scriptUrl().isEmpty() && profile.value(urlKey(site)).isValid() &&
            !profile.remove(urlKey(site)))
            return false;
    return profile.setValue(kCommunityEmailKey, community.email) &&
           profile.setValue(kIslandsEmailKey, islands.email) &&
           profile.setValue(kIslandsPasswordKey, obfuscatePassword(islands.password));
}

const DestinationSettings& Settings::destination(Site site) const {
    return site == Site::Community ? community : islands;
}

bool saveScriptUrl(ProfileStore& profile, Site site, const QString& url) {
    const QString stored = normalisedUrl(url);
    if (stored.isEmpty())
        return profile.remove(urlKey(site));
    // A URL that the profile already gives, from the user's own values or the system-wide
    // ones, stays where it is.
    const QVariant current = profile.value(urlKey(site));
    if (current.isValid() && normalisedUrl(current.toString()) == stored)
        return true;
    return profile.setValue(urlKey(site), stored);
}

QString trimmedText(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmed(text[begin]))
        ++begin;
    while (end > begin && isTrimmed(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

bool isValidEmailAddress(const QString& address) {
    if (address.isEmpty())
        return true;
    const qsizetype at = address.indexOf(u'@');
    return at >= 1 && at < address.size() - 1;
}

QString obfuscatePassword(const QString& password) {
    QByteArray bytes = password.toLocal8Bit();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(bytes[i] ^ passwordKey(i));
    return QString::fromLatin1(bytes.toHex().toUpper());
}

QString revealPassword(const QString& stored) {
    // Byte by byte as the program always read it, so that a hand-edited value decodes alike.
    const QByteArray text = stored.toLocal8Bit();
    QByteArray password;
    for (qsizetype i = 0; i + 1 < text.size(); i += 2) {
        const char byte = char((nibble(text[i]) * 16 + nibble(text[i + 1])) ^ passwordKey(i / 2));
        if (byte == '\0')
            break;
        password.append(byte);
    }
    return QString::fromLocal8Bit(password);
}
