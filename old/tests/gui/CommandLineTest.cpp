// The desktop program's command line.
#include "app/CommandLine.h"
#include "TestImage.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

bool Parse(QStringList arguments, CommandLineOptions& options, QString& error) {
    arguments.prepend(QStringLiteral("scorvane"));
    return ParseCommandLine(arguments, options, error);
}

TEST(CommandLine, DeviceTakesAnImageFolderAsAnAbsolutePath) {
    TestImage image;
    CommandLineOptions options;
    QString error;
    const QString relative = QDir::current().relativeFilePath(image.Root());
    ASSERT_TRUE(Parse({"--device", relative}, options, error)) << error.toStdString();
    EXPECT_EQ(QDir(options.deviceFolder).canonicalPath(), QDir(image.Root()).canonicalPath());
    EXPECT_TRUE(QDir::isAbsolutePath(options.deviceFolder));
    EXPECT_TRUE(options.screenshotFile.isEmpty());
}

TEST(CommandLine, RefusesWhatCannotWork) {
    TestImage image;
    const QString empty = image.Root() + QStringLiteral("/files"); // a folder, not an image
    const std::vector<QStringList> bad = {
        {"--device"},
        {"--device", image.Root() + QStringLiteral("/missing")},
        {"--device", empty},
        {"--screenshot"},
        {"--screenshot", ""},
        {"--screenshot-dialog", "options"},
        {"--screenshot", "x.png", "--screenshot-dialog", "help"},
        {"--colour"},
        {"stray"},
    };
    for (const QStringList& arguments : bad) {
        CommandLineOptions options;
        QString error;
        EXPECT_FALSE(Parse(arguments, options, error)) << arguments.join(' ').toStdString();
        EXPECT_FALSE(error.isEmpty()) << arguments.join(' ').toStdString();
    }
}

} // namespace
