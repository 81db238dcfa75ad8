// Runs the desktop program's tests on the offscreen platform, with a private, empty per-user
// profile and cache, and message boxes recorded instead of shown.
#include "app/MessageBox.h"
#include "device/ThreadExit.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    OrderThreadExitCleanup();
    QTemporaryDir profile;
    qputenv("XDG_CONFIG_HOME", profile.path().toLocal8Bit());
    qputenv("XDG_CACHE_HOME", profile.path().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zelkora"));
    QCoreApplication::setApplicationName(QStringLiteral("Scorvane"));
#ifdef Q_OS_WIN
    QSettings().clear(); // there the profile is in the registry (of the tests' own Wine prefix)
#endif
    MessageBox::SetRecording(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
