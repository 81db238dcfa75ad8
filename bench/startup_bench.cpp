// Start-up time of the desktop program against an empty Qt main window, on the platform the
// environment selects (QT_QPA_PLATFORM; offscreen when unset). Each run is a fresh process,
// timed from its launch to the first expose of its window and to the end of the first paint
// that follows; the two kinds of window take turns, so both see the same machine load.
//
//   startup_bench [RUNS]      prints the medians and their ratio (default 15 runs)
//   startup_bench --window    the program's window, as one run (startup_empty_window is the
//                             empty one)
#include "ExposeReporter.h"
#include "app/Artwork.h"
#include "app/MainWindow.h"
#include "profile/DeviceSettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The program's window, started as its main starts it.
int runProgramWindow(int argc, char** argv) {
    QApplication application(argc, argv);
    ExposeReporter reporter;
    application.installEventFilter(&reporter);
    QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganisationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
    QGuiApplication::setWindowIcon(applicationIcon());
    MainWindow window(rememberedImageFolder(UserProfile()));
    window.show();
    return QApplication::exec();
}

struct Times {
    double exposed = 0;
    double painted = 0;
};

// Launches one child and times its two reports.
bool timeChild(const QString& program, const QStringList& arguments, Times& times) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    child.start(program, arguments);
    for (double* mark : {&times.exposed, &times.painted}) {
        while (!child.canReadLine()) {
            if (!child.waitForReadyRead(30000))
                return false;
        }
        child.readLine();
        *mark = double(clock.nsecsElapsed()) / 1e6;
    }
    return child.waitForFinished(30000) && child.exitCode() == 0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && QByteArray(argv[1]) == "--window")
        return runProgramWindow(argc, argv);
    QCoreApplication core(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 15;
    // The children read and may write a profile and a cache: give them empty ones of their
    // own. The first launch fills the cache, as a user's first start does.
    QTemporaryDir profile;
    qputenv("XDG_CONFIG_HOME", profile.path().toLocal8Bit());
    qputenv("XDG_CACHE_HOME", profile.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // The empty window comes from a program that links Qt Widgets only, as any empty Qt
    // program would; the program's own window from this one.
    const QString self = QCoreApplication::applicationFilePath();
    const QString plain =
        QCoreApplication::applicationDirPath() + QStringLiteral("/startup_empty_window");
    const QStringList main = {QStringLiteral("--window")};
    std::vector<double> emptyExposed, emptyPainted, mainExposed, mainPainted;
    Times warm;
    timeChild(self, main, warm); // the first launches fill the file caches
    timeChild(plain, {}, warm);
    for (int i = 0; i < runs; ++i) {
        Times emptyTimes, mainTimes;
        if (!timeChild(plain, {}, emptyTimes) || !timeChild(self, main, mainTimes)) {
            std::fprintf(stderr, "startup_bench: a child window did not come up\n");
            return 1;
        }
        emptyExposed.push_back(emptyTimes.exposed);
        emptyPainted.push_back(emptyTimes.painted);
        mainExposed.push_back(mainTimes.exposed);
        mainPainted.push_back(mainTimes.painted);
    }
    std::printf("platform %s, %d runs, medians from launch:\n", qgetenv("QT_QPA_PLATFORM").data(),
                runs);
    std::printf("  empty QMainWindow  exposed %7.1f ms  painted %7.1f ms\n", median(emptyExposed),
                median(emptyPainted));
    std::printf("  Scorvane window    exposed %7.1f ms  painted %7.1f ms\n", median(mainExposed),
                median(mainPainted));
    std::printf("  ratio              exposed %7.2f     painted %7.2f\n",
                median(mainExposed) / median(emptyExposed),
                median(mainPainted) / median(emptyPainted));
    return 0;
}
