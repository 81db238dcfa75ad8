// scorvane: the desktop program.
#include "Version.h"
#include "app/AboutDialog.h"
#include "app/Artwork.h"
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/MessageBox.h"
#include "profile/DeviceSettings.h"
#include "profile/Profile.h"
#include "runtime/ThreadExit.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

namespace {

void setApplicationNames() {
    QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganisationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersionText));
}

// --help and --version print and end without opening a window (or needing a display).
bool asksForTextOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "--help" || arg == "-?" || arg == "--help-all" || arg == "-v" ||
            arg == "--version")
            return true;
    }
    return false;
}

// The command line, or nothing after a mistake was reported on standard error.
std::optional<CommandLineOptions> readCommandLine() {
    QString error;
    std::optional<CommandLineOptions> options =
        parseCommandLine(QCoreApplication::arguments(), error);
    if (!options)
        std::fprintf(stderr, "scorvane: %s\nTry 'scorvane --help'.\n", qPrintable(error));
    return options;
}

int printTextOnly(int argc, char** argv) {
    QCoreApplication core(argc, argv);
    setApplicationNames();
    const std::optional<CommandLineOptions> options = readCommandLine();
    if (!options)
        return 2;
    if (options->version)
        std::printf("%s %s\n", kApplicationName, kVersionText);
    else
        std::fputs(qPrintable(options->helpText), stdout);
    return 0;
}

// Downloads, saves a picture of the window (or of a dialog over it) and quits. Message boxes
// are printed instead of shown.
int takeScreenshot(MainWindow& window, const CommandLineOptions& options) {
    MessageBox::setResponder([](const MessageBox::Message& message) {
        std::fprintf(stderr, "%s\n", qPrintable(message.text));
        return message.buttons == MessageBox::Buttons::YesNoCancel ? MessageBox::Answer::Yes
                                                                   : MessageBox::Answer::Ok;
    });
    int exitCode = 0;
    const auto save = [&](QWidget* widget) {
        if (!widget || !widget->grab().save(options.screenshotFile, "PNG")) {
            std::fprintf(stderr, "scorvane: cannot write %s\n", qPrintable(options.screenshotFile));
            exitCode = 1;
        }
    };
    QObject::connect(window.workflow(), &Workflow::downloadFinished, &window, [&] {
        if (options.screenshotDialog.isEmpty()) {
            save(&window);
        } else {
            // Pictured and closed from the dialog's own event loop.
            QTimer::singleShot(0, &window, [&] {
                QWidget* dialog = QApplication::activeModalWidget();
                save(dialog);
                if (dialog)
                    dialog->close();
            });
            if (options.screenshotDialog == QLatin1String("options"))
                window.workflow()->runOptions();
            else
                AboutDialog(&window).exec();
        }
        QCoreApplication::exit(exitCode);
    });
    window.workflow()->download();
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    OrderThreadExitCleanup();
    if (asksForTextOnly(argc, argv))
        return printTextOnly(argc, argv);

    QApplication application(argc, argv);
    setApplicationNames();
    QGuiApplication::setApplicationDisplayName(QString::fromLatin1(kApplicationName));
    QGuiApplication::setWindowIcon(applicationIcon());
    const std::optional<CommandLineOptions> options = readCommandLine();
    if (!options)
        return 2;

    const QString imageFolder = options->deviceFolder.isEmpty()
                                    ? rememberedImageFolder(UserProfile())
                                    : options->deviceFolder;
    MainWindow window(imageFolder);
    window.show();
    if (!options->screenshotFile.isEmpty())
        return takeScreenshot(window, *options);
    return QApplication::exec();
}
