#pragma once

// Makes the per-user profile of this test process unwritable while it lives, in a way that
// stops root too: the profile's folder is moved aside and a regular file takes its name.

#include "profile/Profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

class UnwritableProfile {
public:
#ifdef Q_OS_WIN
    // There the profile is in the registry, which a test cannot take away from its owner.
    static constexpr bool kPossible = false;
#else
    static constexpr bool kPossible = true;
#endif
    UnwritableProfile()
        : folder(QFileInfo(QSettings(QString::fromLatin1(kOrganisationName),
                                     QString::fromLatin1(kApplicationName))
                               .fileName())
                     .absolutePath()),
          aside(folder + QStringLiteral(".aside")) {
        QDir().mkpath(folder);
        QDir().rename(folder, aside);
        QFile blocker(folder);
        blocker.open(QIODevice::WriteOnly);
    }
    ~UnwritableProfile() {
        QFile::remove(folder);
        QDir().rename(aside, folder);
    }
    UnwritableProfile(const UnwritableProfile&) = delete;
    UnwritableProfile& operator=(const UnwritableProfile&) = delete;

private:
    QString folder;
    QString aside;
};
