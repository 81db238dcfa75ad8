#include "profile/IslandMarks.h"

#include "profile/Profile.h"

#include <QStringList>

namespace {

using namespace Qt::Literals::StringLiterals;

// "%", "/" and "\" are escaped, so that any id, whatever it holds, is one entry and not a
// path of groups.
QString entry(QStringView section, const QByteArray& id) {
    QString key = QString::fromLocal8Bit(id);
    key.replace(u'%', u"%25"_s).replace(u'/', u"%2F"_s).replace(u'\\', u"%5C"_s);
    return section.toString() + u'/' + key;
}

QString markEntry(const QByteArray& id) {
    return entry(u"IslandsToDelete", id);
}

QString digestsEntry(const QByteArray& id) {
    return entry(u"IslandsPublished", id);
}

QStringList storedDigests(const ProfileStore& profile, const QByteArray& id) {
    return profile.value(digestsEntry(id)).toStringList();
}

} // namespace

bool IslandMarks::isMarked(const QByteArray& id) const {
    return m_profile.value(markEntry(id)).toString().compare(u"1"_s, Qt::CaseInsensitive) == 0;
}

QList<QByteArray> IslandMarks::digests(const QByteArray& id) const {
    QList<QByteArray> digests;
    for (const QString& digest : storedDigests(m_profile, id))
        digests.append(digest.toLatin1());
    return digests;
}

bool IslandMarks::markPublished(const QByteArray& id, const QByteArray& digest) {
    QStringList digests = storedDigests(m_profile, id);
    if (!digests.contains(QLatin1StringView(digest)))
        digests.append(QString::fromLatin1(digest));
    return m_profile.setValue(digestsEntry(id), digests) && mark(id);
}

bool IslandMarks::mark(const QByteArray& id) {
    return m_profile.setValue(markEntry(id), u"1"_s);
}

bool IslandMarks::unmark(const QByteArray& id) {
    return m_profile.remove(markEntry(id));
}

bool IslandMarks::forget(const QByteArray& id, const QByteArray& digest) {
    QStringList digests = storedDigests(m_profile, id);
    if (digests.removeAll(QString::fromLatin1(digest)) == 0)
        return true;
    if (!digests.isEmpty())
        return m_profile.setValue(digestsEntry(id), digests);
    // A mark without digests would delete every island with this id.
    return unmark(id) && m_profile.remove(digestsEntry(id));
}
