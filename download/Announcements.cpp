#include "download/Announcements.h"

#include "handheld/Handheld.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace {

const QString kProgramKey = QStringLiteral("SOFTWARE\\Zelkora\\Scorvane");
const QString kIslandsServiceKey = QStringLiteral("SOFTWARE\\Zelkora\\SkyholmService\\Product");
const QString kIslandsAppValue = QStringLiteral("propNameAppPath");

bool isBlank(QChar c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// atoi's reading of the number at the start of text.
qint32 leadingNumber(QStringView text) {
    qsizetype start = 0;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    const bool negative = start < text.size() && text[start] == u'-';
    if (start < text.size() && (text[start] == u'-' || text[start] == u'+'))
        ++start;
    const QByteArray digits = text.mid(start).toLatin1();
    quint64 magnitude = 0;
    if (std::from_chars(digits.constData(), digits.constData() + digits.size(), magnitude).ec ==
        std::errc::result_out_of_range)
        magnitude = std::numeric_limits<quint64>::max();
    const qint64 limit = negative ? -qint64(std::numeric_limits<qint32>::min())
                                  : qint64(std::numeric_limits<qint32>::max());
    const qint64 held = qint64(std::min<quint64>(magnitude, quint64(limit)));
    return qint32(negative ? -held : held);
}

} // namespace

std::optional<Announcement> parseAnnouncement(QStringView value) {
    const qsizetype comma = value.indexOf(u',');
    if (comma < 0)
        return std::nullopt;
    const qint32 kind = leadingNumber(value.left(comma));
    if (kind <= 0)
        return std::nullopt;
    return Announcement{kind, value.mid(comma + 1).toString()};
}

Announcements readAnnouncements(Handheld& handheld) {
    Announcements read;
    if (const auto key = handheld.openKey(RegistryRoot::LocalMachine, kIslandsServiceKey)) {
        const QString appPath = key->text(kIslandsAppValue).value_or(QString());
        if (!appPath.isEmpty())
            read.islandsAppPresent = handheld.exists(appPath);
    }
    const auto key = handheld.openKey(RegistryRoot::LocalMachine, kProgramKey);
    if (!key)
        return read;
    for (int index = 0;; ++index) {
        const std::optional<QString> name = key->valueName(index);
        if (!name)
            break;
        if (auto announcement = parseAnnouncement(key->text(*name).value_or(QString())))
            read.list.append(std::move(*announcement));
    }
    return read;
}
