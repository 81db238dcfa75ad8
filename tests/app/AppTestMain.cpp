// Runs the desktop program's tests on the offscreen platform with a private, empty per-user
// profile and cache.
#include "profile/Profile.h"
#include "runtime/ThreadExit.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    OrderThreadExitCleanup();
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    qputenv("XDG_CACHE_HOME", home.path().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganisationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
    QSettings().clear(); // on Windows the profile is in the registry (of the tests' Wine prefix)
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
