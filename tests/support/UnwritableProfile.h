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
    UnwritableProfile() {
        QDir().mkpath(m_folder);
        QDir().rename(m_folder, m_folder + QStringLiteral(".aside"));
        QFile(m_folder).open(QIODevice::WriteOnly);
    }
    ~UnwritableProfile() {
        QFile::remove(m_folder);
        QDir().rename(m_folder + QStringLiteral(".aside"), m_folder);
    }
    UnwritableProfile(const UnwritableProfile&) = delete;
    UnwritableProfile& operator=(const UnwritableProfile&) = delete;

private:
    const QString m_folder = QFileInfo(QSettings(QString::fromLatin1(kOrganisationName),
                                                 QString::fromLatin1(kApplicationName))
                                           .fileName())
                                 .absolutePath();
};
