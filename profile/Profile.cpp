#include "profile/Profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

QSettings openProfile() {
    return QSettings(QString::fromLatin1(kOrganisationName), QString::fromLatin1(kApplicationName));
}

// Writes what profile holds to its storage now and checks that it arrived.
bool save(QSettings& profile) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // A new profile file is made readable by its owner only before anything is written to it;
    // writing keeps the mode of an existing file.
    constexpr QFileDevice::Permissions kOwnerOnly =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const QString file = profile.fileName();
    if (!QFile::exists(file) && QDir().mkpath(QFileInfo(file).absolutePath()))
        QFile(file).open(QIODevice::WriteOnly, kOwnerOnly);
#endif
    profile.sync();
    if (profile.status() != QSettings::NoError)
        return false;
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // A file made by an earlier version, or by hand, is set so too.
    if (QFile::exists(file))
        return QFile::setPermissions(file, kOwnerOnly);
#endif
    return true;
}

} // namespace

QVariant UserProfile::value(const QString& key, const QVariant& fallback) const {
    return openProfile().value(key, fallback);
}

bool UserProfile::setValue(const QString& key, const QVariant& value) {
    QSettings profile = openProfile();
    profile.setValue(key, value);
    return save(profile);
}

bool UserProfile::remove(const QString& key) {
    QSettings profile = openProfile();
    profile.remove(key);
    return save(profile);
}

QString UserProfile::notSavedText() {
    return QStringLiteral("The settings could not be saved to \"%1\".")
        .arg(QDir::toNativeSeparators(openProfile().fileName()));
}
