// Runs the tests with a private, empty per-user profile and cache: XDG_CONFIG_HOME and
// XDG_CACHE_HOME point at a temporary folder before anything reads settings. The desktop
// program's tests (SCORVANE_TEST_WIDGETS) get a QApplication on the offscreen platform.
#include "runtime/ThreadExit.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#ifdef SCORVANE_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    OrderThreadExitCleanup();
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    qputenv("XDG_CACHE_HOME", home.path().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zelkora"));
    QCoreApplication::setApplicationName(QStringLiteral("Scorvane"));
    QSettings().clear(); // on Windows the profile is in the registry (of the tests' Wine prefix)
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
