// Runs the tests with a private, empty per-user profile: XDG_CONFIG_HOME points at a
// temporary folder before anything reads settings.
#include "runtime/ThreadExit.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    OrderThreadExitCleanup();
    QTemporaryDir profile;
    qputenv("XDG_CONFIG_HOME", profile.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zelkora"));
    QCoreApplication::setApplicationName(QStringLiteral("Scorvane"));
#ifdef Q_OS_WIN
    QSettings().clear(); // there the profile is in the registry (of the tests' own Wine prefix)
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
