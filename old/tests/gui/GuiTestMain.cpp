// Runs the desktop program's tests on the offscreen platform, with a private, empty per-user
// profile and cache, and message boxes recorded instead of shown.
#include "app/MessageBox.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QTemporaryDir profile;
    qputenv("XDG_CONFIG_HOME", profile.path().toLocal8Bit());
    qputenv("XDG_CACHE_HOME", profile.path().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zelkora"));
    QCoreApplication::setApplicationName(QStringLiteral("Scorvane"));
    MessageBox::SetRecording(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
