// The device scan over a device image of 1,000 game folders with pacing off, against a plain
// loop that reads the same highscore files. Prints the ratio of the two times. A second case
// scans 10,000 and 100,000 empty game folders and prints the time per folder, which stays
// the same when the scan grows linearly.
#include "HighscoreWriters.h"

#include "device/HighscoreCollection.h"
#include "device/SimulatedDevice.h"
#include "scores/XorKeyDecoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>

namespace {

constexpr int kFoldersPerProgramFolder = 250;
const char* const kProgramFolders[] = {"Storage/Program Files", "Mounted Volume/Program Files",
                                       "Storage Card/Program Files", "IPSM/Program Files"};

struct BenchImage {
    QTemporaryDir dir;
    QStringList files; // host paths of every highscore file
    int folders = 0;
};

BenchImage* image = nullptr;

void Put(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    image->files << path;
}

std::vector<writers::ArchiveEntry> Entries(int count, int seed) {
    std::vector<writers::ArchiveEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back({QStringLiteral("Player %1").arg(seed + i), 100 * (seed % 50 + i)});
    return entries;
}

void MakeImage() {
    image = new BenchImage;
    const QString root = image->dir.path();
    QFile ini(root + QStringLiteral("/device.ini"));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[Link]\nPacing=0\n");
    for (const char* programFolder : kProgramFolders) {
        const QString base = root + QStringLiteral("/files/") + QLatin1String(programFolder) + u'/';
        Put(base + QStringLiteral("vondrel/HighScores.sco"),
            writers::LevelTableFile(
                {{QStringLiteral("Ann"), 1200, 7}, {QStringLiteral("Bob"), 900, 4}}));
        Put(base + QStringLiteral("quilbit/records.dat"),
            writers::MaskedArchive(kQuilbitArchiveKey, QStringLiteral("H"), Entries(10, 1)));
        Put(base + QStringLiteral("marbelo/records.dat"),
            writers::MaskedArchive(kMarbeloArchiveKey, QStringLiteral("H"), Entries(10, 2)));
        Put(base + QStringLiteral("courtwise/records.dat"),
            writers::MaskedArchive(kMarbeloArchiveKey, QStringLiteral("H"), Entries(10, 3)));
        Put(base + QStringLiteral("deminar/records.dat"),
            writers::MaskedArchive(kDeminarArchiveKey, QStringLiteral("H"), Entries(3, 4)));
        Put(base + QStringLiteral("marbelo sp/HighScores.sco"),
            writers::SignedTableText(3, 1, "phone", {{"Ann", 20, ""}, {"Bob", 10, ""}}));
        image->folders += 6;
        for (int i = 6; i < kFoldersPerProgramFolder; ++i) {
            std::vector<writers::TextRecord> records;
            for (int r = 0; r < 10; ++r)
                records.push_back({"Player " + std::to_string(r), (i * 31 + r * 7) % 1000, "x"});
            Put(base + QStringLiteral("Game %1/HighScores.sco").arg(i, 4, 10, QLatin1Char('0')),
                writers::SignedTableText(100 + i, 1, "Game " + std::to_string(i), records));
            ++image->folders;
        }
    }
}

void BM_ScanDevice(benchmark::State& state) {
    std::size_t found = 0;
    for (auto _ : state) {
        CSimulatedDevice device(image->dir.path());
        device.StartSession(0);
        CHighscoreCollection collection(25);
        collection.SetDevice(&device);
        collection.ScanDevice();
        found = collection.sources.size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["sources"] = static_cast<double>(found);
}
BENCHMARK(BM_ScanDevice)->Unit(benchmark::kMillisecond);

void BM_PlainRead(benchmark::State& state) {
    for (auto _ : state) {
        qint64 bytes = 0;
        for (const QString& path : image->files) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                bytes += file.readAll().size();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["files"] = static_cast<double>(image->files.size());
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);

void BM_ScanEmptyFolders(benchmark::State& state) {
    const auto folders = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    QFile ini(dir.path() + QStringLiteral("/device.ini"));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[Link]\nPacing=0\n");
    ini.close();
    const QString base = dir.path() + QStringLiteral("/files/Storage/Program Files/");
    for (int i = 0; i < folders; ++i)
        QDir().mkpath(base + QStringLiteral("Game %1").arg(i, 6, 10, QLatin1Char('0')));
    for (auto _ : state) {
        CSimulatedDevice device(dir.path());
        device.StartSession(0);
        CHighscoreCollection collection(25);
        collection.SetDevice(&device);
        collection.ScanDevice();
        benchmark::DoNotOptimize(collection.sources.size());
    }
    state.counters["per folder"] = benchmark::Counter(
        folders, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ScanEmptyFolders)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's real time per iteration so that the ratio can be printed.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                seconds[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    MakeImage();
    std::printf("Device image: %d game folders, %lld highscore files\n", image->folders,
                static_cast<long long>(image->files.size()));
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double scan = reporter.seconds["BM_ScanDevice"];
    const double plain = reporter.seconds["BM_PlainRead"];
    if (scan > 0 && plain > 0)
        std::printf("Scan time / plain read time: %.1f\n", scan / plain);
    benchmark::Shutdown();
    delete image;
    return 0;
}
