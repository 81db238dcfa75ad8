#include "ui/Profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

QSettings OpenProfile() {
    return QSettings(QStringLiteral("Zelkora"), QStringLiteral("Scorvane"));
}

bool SaveProfile(QSettings& settings) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // A new profile file is made readable by its owner only before anything is written to it;
    // writing keeps the mode of an existing file.
    constexpr QFileDevice::Permissions kOwnerOnly =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const QString file = settings.fileName();
    if (!QFile::exists(file) && QDir().mkpath(QFileInfo(file).absolutePath()))
        QFile(file).open(QIODevice::WriteOnly, kOwnerOnly);
#endif
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return false;
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // A file made by an earlier version, or by hand, is set so too.
    if (QFile::exists(file))
        return QFile::setPermissions(file, kOwnerOnly);
#endif
    return true;
}

QString ProfileNotSavedText() {
    return QStringLiteral("The settings could not be saved to \"%1\".")
        .arg(QDir::toNativeSeparators(OpenProfile().fileName()));
}

QVariant CUserProfile::Value(const QString& key) const {
    return OpenProfile().value(key);
}

bool CUserProfile::SetValue(const QString& key, const QVariant& value) {
    QSettings profile = OpenProfile();
    profile.setValue(key, value);
    return SaveProfile(profile);
}

bool CUserProfile::Remove(const QString& key) {
    QSettings profile = OpenProfile();
    profile.remove(key);
    return SaveProfile(profile);
}

IProfileStore& UserProfile() {
    static CUserProfile profile;
    return profile;
}
