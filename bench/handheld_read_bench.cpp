// Reading the files of 1,000 game folders through the device image backend, as a scan does
// (each program folder listed, then each game's file read), against a plain loop that reads the
// same files. Prints the ratio of the two times: what the backend adds to the reading itself,
// mostly finding each path inside the image.
#include "handheld/ImageHandheld.h"

#include "RatioReporter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>

namespace {

constexpr int kFoldersPerProgramFolder = 250;
const char* const kProgramFolders[] = {"Storage\\Program Files", "Mounted Volume\\Program Files",
                                       "Storage Card\\Program Files", "IPSM\\Program Files"};

struct BenchImage {
    QTemporaryDir dir;
    QStringList hostFiles;
    QStringList deviceFiles;
};

BenchImage* image = nullptr;

void makeImage() {
    image = new BenchImage;
    QFile ini(image->dir.filePath(QStringLiteral("device.ini")));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[Link]\nPacing=0\n");
    for (const char* programFolder : kProgramFolders) {
        for (int i = 0; i < kFoldersPerProgramFolder; ++i) {
            const QString device =
                u'\\' + QLatin1String(programFolder) +
                QStringLiteral("\\Game %1\\HighScores.sco").arg(i, 4, 10, QChar(u'0'));
            const QString host =
                image->dir.path() + QStringLiteral("/files") + QString(device).replace(u'\\', u'/');
            QDir().mkpath(host.section(u'/', 0, -2));
            QFile file(host);
            if (file.open(QIODevice::WriteOnly))
                file.write(QByteArray(600 + i, char('a' + i % 26)));
            image->hostFiles << host;
            image->deviceFiles << device;
        }
    }
}

void BM_ReadThroughImageHandheld(benchmark::State& state) {
    qint64 bytes = 0;
    for (auto _ : state) {
        ImageHandheld handheld(image->dir.path());
        handheld.connect(std::chrono::milliseconds(0));
        for (const char* programFolder : kProgramFolders)
            benchmark::DoNotOptimize(handheld.list(
                u'\\' + QLatin1String(programFolder) + QStringLiteral("\\*.*"), Listing::Folders));
        bytes = 0;
        for (const QString& path : image->deviceFiles)
            bytes += handheld.readFile(path).value_or(QByteArray()).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_ReadThroughImageHandheld)->Unit(benchmark::kMillisecond);

void BM_PlainRead(benchmark::State& state) {
    qint64 bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const QString& path : image->hostFiles) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                bytes += file.readAll().size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    makeImage();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double handheld = reporter.seconds["BM_ReadThroughImageHandheld"];
    const double plain = reporter.seconds["BM_PlainRead"];
    if (handheld > 0 && plain > 0)
        std::printf("Image backend time / plain read time: %.1f\n", handheld / plain);
    benchmark::Shutdown();
    delete image;
    return 0;
}
