// What a call to the handheld costs through the run-time loaded remote API library (the
// stand-in library of the tests, serving a device image) compared with the image backend over
// the same image. The difference is the library backend's own share: the hand-over to the
// thread that owns the library's session, the library's buffers and their checks.
#include "handheld/ImageHandheld.h"
#include "handheld/LibraryHandheld.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

const QString kFile = QStringLiteral("\\Storage\\Program Files\\game\\f7.dat");

struct Image {
    Image() {
        QDir(dir.path()).mkpath(QStringLiteral("files/Storage/Program Files/game"));
        for (int i = 0; i < 20; ++i) {
            QFile file(dir.path() +
                       QStringLiteral("/files/Storage/Program Files/game/f%1.dat").arg(i));
            if (file.open(QIODevice::WriteOnly))
                file.write(QByteArray(512, 'x'));
        }
        QFile ini(dir.path() + QStringLiteral("/device.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[Link]\nPacing=0\n");
    }
    QTemporaryDir dir;
};

const Image& theImage() {
    static const Image image;
    return image;
}

// The handheld a benchmark run measures: argument 1 goes through the library, 0 does not.
std::unique_ptr<Handheld> openFor(benchmark::State& state) {
    std::unique_ptr<Handheld> handheld;
    if (state.range(0) == 0) {
        handheld = std::make_unique<ImageHandheld>(theImage().dir.path());
    } else {
#ifdef SCORVANE_RAPISTUB_PATH
        // The stand-in reads the folder when a session opens: one image serves every run.
        qputenv("SCORVANE_RAPISTUB_IMAGE", theImage().dir.path().toLocal8Bit());
        handheld =
            std::make_unique<LibraryHandheld>(QStringList{QStringLiteral(SCORVANE_RAPISTUB_PATH)});
#endif
    }
    if (!handheld || !handheld->connect(std::chrono::seconds(10), {})) {
        state.SkipWithError("no stand-in library in this build");
        return nullptr;
    }
    return handheld;
}

void BM_Exists(benchmark::State& state) {
    if (const auto handheld = openFor(state))
        for (auto _ : state)
            benchmark::DoNotOptimize(handheld->exists(kFile));
}
BENCHMARK(BM_Exists)->ArgName("library")->Arg(0)->Arg(1);

// Open, read and close, without the pauses that a whole file's reading makes.
void BM_ReadFileStart(benchmark::State& state) {
    if (const auto handheld = openFor(state))
        for (auto _ : state)
            benchmark::DoNotOptimize(handheld->readFileStart(kFile, 512));
}
BENCHMARK(BM_ReadFileStart)->ArgName("library")->Arg(0)->Arg(1);

void BM_ListFolder(benchmark::State& state) {
    if (const auto handheld = openFor(state))
        for (auto _ : state)
            benchmark::DoNotOptimize(handheld->list(
                QStringLiteral("\\Storage\\Program Files\\game\\*.*"), Listing::Files));
}
BENCHMARK(BM_ListFolder)->ArgName("library")->Arg(0)->Arg(1);

} // namespace

BENCHMARK_MAIN();
