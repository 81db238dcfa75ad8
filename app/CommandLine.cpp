#include "app/CommandLine.h"

#include "handheld/ImageHandheld.h"

#include <QCommandLineParser>
#include <QDir>

std::optional<CommandLineOptions> parseCommandLine(const QStringList& arguments, QString& error) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Collects the highscores of the games on a mobile device and publishes "
                       "them on the highscore sites."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption device(
        QStringLiteral("device"),
        QStringLiteral("Use the device image in <folder> in place of the mobile device, for "
                       "this run only (File > Choose Device Image remembers a folder)."),
        QStringLiteral("folder"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Download at once, save a picture of the window to <file> (PNG) when "
                       "the download has ended, and quit. Message boxes are printed instead "
                       "of shown."),
        QStringLiteral("file"));
    const QCommandLineOption screenshotDialog(
        QStringLiteral("screenshot-dialog"),
        QStringLiteral("With --screenshot: picture the Options dialog (\"options\") or the "
                       "About box (\"about\") instead of the window."),
        QStringLiteral("dialog"));
    parser.addOptions({device, screenshot, screenshotDialog});

    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("Unexpected argument: ") + parser.positionalArguments().first();
        return std::nullopt;
    }
    CommandLineOptions options;
    options.help = parser.isSet(help);
    options.version = parser.isSet(version);
    options.helpText = parser.helpText();
    if (parser.isSet(device)) {
        options.deviceFolder = QDir(parser.value(device)).absolutePath();
        if (!ImageHandheld::looksLikeImage(options.deviceFolder)) {
            error = QStringLiteral("Not a device image (no \"files\" folder and no "
                                   "\"registry.reg\"): ") +
                    QDir::toNativeSeparators(options.deviceFolder);
            return std::nullopt;
        }
    }
    options.screenshotFile = parser.value(screenshot);
    if (parser.isSet(screenshot) && options.screenshotFile.isEmpty()) {
        error = QStringLiteral("--screenshot needs a file name");
        return std::nullopt;
    }
    if (parser.isSet(screenshotDialog)) {
        options.screenshotDialog = parser.value(screenshotDialog);
        if (options.screenshotDialog != QLatin1String("options") &&
            options.screenshotDialog != QLatin1String("about")) {
            error = QStringLiteral("--screenshot-dialog takes \"options\" or \"about\"");
            return std::nullopt;
        }
        if (options.screenshotFile.isEmpty()) {
            error = QStringLiteral("--screenshot-dialog needs --screenshot");
            return std::nullopt;
        }
    }
    return options;
}
