#include "scores/IslandMarks.h"

#include "device/TextCodec.h"

#include <QSettings>

namespace {

constexpr const char* kMarksSection = "IslandsToDelete";
constexpr const char* kDigestsSection = "IslandsPublished";

QString Entry(const char* section, const std::string& id) {
    return QLatin1String(section) + QLatin1Char('/') + IslandProfileKey(id);
}

QString IdFromProfileKey(const QString& key) {
    QString id;
    for (qsizetype i = 0; i < key.size(); ++i) {
        const QStringView rest = QStringView(key).mid(i);
        if (rest.startsWith(QLatin1String("%25"))) {
            id += QLatin1Char('%');
            i += 2;
        } else if (rest.startsWith(QLatin1String("%2F"))) {
            id += QLatin1Char('/');
            i += 2;
        } else if (rest.startsWith(QLatin1String("%5C"))) {
            id += QLatin1Char('\\');
            i += 2;
        } else {
            id += key[i];
        }
    }
    return id;
}

} // namespace

QString IslandProfileKey(const std::string& id) {
    QString key = QStringFromNarrow(id);
    key.replace(QLatin1Char('%'), QLatin1String("%25"));
    key.replace(QLatin1Char('/'), QLatin1String("%2F"));
    key.replace(QLatin1Char('\\'), QLatin1String("%5C"));
    return key;
}

void MarkIslandForDeletion(const std::string& id) {
    QSettings profile(QStringLiteral("Zelkora"), QStringLiteral("Scorvane"));
    profile.setValue(Entry(kMarksSection, id), QStringLiteral("1"));
    profile.sync();
}

void UnmarkIsland(const std::string& id) {
    QSettings profile(QStringLiteral("Zelkora"), QStringLiteral("Scorvane"));
    profile.remove(Entry(kMarksSection, id));
    profile.sync();
}

bool IsIslandMarked(const std::string& id) {
    const QSettings profile(QStringLiteral("Zelkora"), QStringLiteral("Scorvane"));
    return profile.value(Entry(kMarksSection, id), QStringLiteral("0"))
               .toString()
               .compare(QLatin1String("1"), Qt::CaseInsensitive) == 0;
}

QStringList PublishedIslandDigests(const std::string& id) {
    const QSettings profile(QStringLiteral("Zelkora"), QStringLiteral("Scorvane"));
    return profile.value(Entry(kDigestsSection, id)).toStringList();
}

void RecordPublishedIsland(const std::string& id, const QString& digest) {
    QSettings profile(QStringLiteral("Zelkora"), QStringLiteral("Scorvane"));
    QStringList digests = profile.value(Entry(kDigestsSection, id)).toStringList();
    if (!digests.contains(digest))
        digests.append(digest);
    profile.setValue(Entry(kDigestsSection, id), digests);
    profile.sync();
}

QStringList ForgetPublishedIsland(const std::string& id, const QString& digest) {
    QSettings profile(QStringLiteral("Zelkora"), QStringLiteral("Scorvane"));
    QStringList digests = profile.value(Entry(kDigestsSection, id)).toStringList();
    digests.removeAll(digest);
    if (digests.isEmpty())
        profile.remove(Entry(kDigestsSection, id));
    else
        profile.setValue(Entry(kDigestsSection, id), digests);
    profile.sync();
    return digests;
}

std::vector<std::string> IslandsWithPublishedDigests() {
    QSettings profile(QStringLiteral("Zelkora"), QStringLiteral("Scorvane"));
    profile.beginGroup(QLatin1String(kDigestsSection));
    std::vector<std::string> ids;
    for (const QString& key : profile.childKeys())
        ids.push_back(NarrowFromQString(IdFromProfileKey(key)));
    return ids;
}
