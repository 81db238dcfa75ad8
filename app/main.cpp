#include "app/CommandLine.h"
#include "app/MainFrame.h"
#include "app/MessageBox.h"
#include "app/ScoreView.h"
#include "app/ScorvaneApp.h"
#include "device/ThreadExit.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

namespace {

// --help and --version print and end without opening a window (or needing a display).
bool AsksForTextOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all" || arg == "-v" ||
            arg == "--version")
            return true;
    }
    return false;
}

// Parses the program's command line; a mistake is reported on standard error.
bool ReadCommandLine(CommandLineOptions& options) {
    QString error;
    if (ParseCommandLine(QCoreApplication::arguments(), options, error))
        return true;
    std::fprintf(stderr, "scorvane: %s\nTry 'scorvane --help'.\n", qPrintable(error));
    return false;
}

// Prints the version or the help text when one was asked for.
bool PrintRequestedText(const CommandLineOptions& options) {
    if (options.version)
        std::printf("Scorvane %s\n", SCORVANE_VERSION);
    else if (options.help)
        std::fputs(qPrintable(options.helpText), stdout);
    return options.version || options.help;
}

int PrintTextOnly(int argc, char** argv) {
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(SCORVANE_VERSION));
    CommandLineOptions options;
    if (!ReadCommandLine(options))
        return 2;
    if (!PrintRequestedText(options))
        std::fputs(qPrintable(options.helpText), stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    OrderThreadExitCleanup();
    if (AsksForTextOnly(argc, argv))
        return PrintTextOnly(argc, argv);

    QApplication qtApp(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(SCORVANE_VERSION));

    CommandLineOptions options;
    if (!ReadCommandLine(options))
        return 2;
    if (PrintRequestedText(options))
        return 0;

    CScorvaneApp app;
    if (!options.deviceFolder.isEmpty())
        app.SetDeviceImageFolder(options.deviceFolder, false);
    else
        app.SetDeviceImageFolder(CScorvaneApp::RememberedImageFolder(), false);

    if (!options.screenshotFile.isEmpty())
        MessageBox::SetRecording(true);

    if (!app.InitInstance()) {
        std::fprintf(stderr, "scorvane: the main window could not be created\n");
        return 1;
    }

    if (!options.screenshotFile.isEmpty()) {
        CMainFrame* frame = app.MainFrame();
        int exitCode = 0;
        const auto save = [&](QWidget* window) {
            if (!window || !window->grab().save(options.screenshotFile, "PNG")) {
                std::fprintf(stderr, "scorvane: cannot write %s\n",
                             qPrintable(options.screenshotFile));
                exitCode = 1;
            }
        };
        QObject::connect(frame->View(), &CScoreView::downloadFinished, frame, [&](int) {
            for (const QString& text : MessageBox::TakeShownTexts())
                std::fprintf(stderr, "%s\n", qPrintable(text));
            if (options.screenshotDialog.isEmpty()) {
                save(frame);
            } else {
                // Pictured and closed from the dialog's own event loop.
                QTimer::singleShot(0, frame, [&] {
                    QWidget* dialog = QApplication::activeModalWidget();
                    save(dialog);
                    if (dialog)
                        dialog->close();
                });
                if (options.screenshotDialog == QLatin1String("options"))
                    frame->View()->RunOptions();
                else
                    ShowAboutBox(frame);
            }
            QCoreApplication::exit(exitCode);
        });
        frame->View()->StartDownload();
    }

    const int code = QApplication::exec();
    app.ExitInstance();
    return code;
}
