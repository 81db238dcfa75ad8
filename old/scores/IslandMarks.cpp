#include "scores/IslandMarks.h"

#include "device/TextCodec.h"
#include "ui/Profile.h"

namespace {

constexpr const char* kMarksSection = "IslandsToDelete";
constexpr const char* kDigestsSection = "IslandsPublished";

QString Entry(const char* section, const std::string& id) {
    return QLatin1String(section) + QLatin1Char('/') + IslandProfileKey(id);
}

} // namespace

QString IslandProfileKey(const std::string& id) {
    QString key = QStringFromNarrow(id);
    key.replace(QLatin1Char('%'), QLatin1String("%25"));
    key.replace(QLatin1Char('/'), QLatin1String("%2F"));
    key.replace(QLatin1Char('\\'), QLatin1String("%5C"));
    return key;
}

bool CIslandMarks::IsMarked(const std::string& id) const {
    return store.Value(Entry(kMarksSection, id))
               .toString()
               .compare(QLatin1String("1"), Qt::CaseInsensitive) == 0;
}

QStringList CIslandMarks::Digests(const std::string& id) const {
    return store.Value(Entry(kDigestsSection, id)).toStringList();
}

bool CIslandMarks::MarkPublished(const std::string& id, const QString& digest) {
    QStringList digests = Digests(id);
    if (!digests.contains(digest))
        digests.append(digest);
    return store.SetValue(Entry(kDigestsSection, id), digests) && Mark(id);
}

bool CIslandMarks::Mark(const std::string& id) {
    return store.SetValue(Entry(kMarksSection, id), QStringLiteral("1"));
}

bool CIslandMarks::Unmark(const std::string& id) {
    return store.Remove(Entry(kMarksSection, id));
}

bool CIslandMarks::Forget(const std::string& id, const QString& digest) {
    QStringList digests = Digests(id);
    if (!digests.removeAll(digest))
        return true;
    if (!digests.isEmpty())
        return store.SetValue(Entry(kDigestsSection, id), digests);
    // A mark without digests would delete every island with this id.
    return Unmark(id) && store.Remove(Entry(kDigestsSection, id));
}
