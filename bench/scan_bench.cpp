// The scan of a device image of 1,000 game folders with pacing off, against a plain loop that
// reads the same highscore files; prints the ratio of the two times. A second case scans
// 10,000 and 100,000 empty game folders and prints the time per folder, which stays the same
// while the scan grows linearly.
#include "HighscoreWriters.h"
#include "RatioReporter.h"

#include "download/Scan.h"
#include "handheld/Handheld.h"
#include "profile/IslandMarks.h"
#include "profile/Profile.h"

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
const char kQuilbitKey[] = "{6B1E0A7D-3C58-4f2a-B741-0D9E6C3A58F2}";
const char kMarbeloKey[] = "{A94C2E17-5D03-4b6e-9E5A-73C1F08B24D6}";
const char kDeminarKey[] = "{2F7D91C4-E06B-4a38-8C1F-5B2A9E7D403E}";

struct BenchImage {
    QTemporaryDir dir;
    QStringList files; // host paths of every highscore file
    int folders = 0;
};

BenchImage* image = nullptr;

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

void put(const QString& path, const QByteArray& bytes) {
    writeFile(path, bytes);
    image->files << path;
}

std::vector<writers::ArchiveEntry> entries(int count, int seed) {
    std::vector<writers::ArchiveEntry> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back({QStringLiteral("Player %1").arg(seed + i), 100 * (seed % 50 + i)});
    return entries;
}

void makeImage() {
    image = new BenchImage;
    const QString root = image->dir.path();
    writeFile(root + QStringLiteral("/device.ini"), "[Link]\nPacing=0\n");
    for (const char* programFolder : kProgramFolders) {
        const QString base = root + QStringLiteral("/files/") + QLatin1String(programFolder) + u'/';
        put(base + QStringLiteral("vondrel/HighScores.sco"),
            writers::LevelTableFile(
                {{QStringLiteral("Ann"), 1200, 7}, {QStringLiteral("Bob"), 900, 4}}));
        put(base + QStringLiteral("quilbit/records.dat"),
            writers::MaskedArchive(kQuilbitKey, QStringLiteral("H"), entries(10, 1)));
        put(base + QStringLiteral("marbelo/records.dat"),
            writers::MaskedArchive(kMarbeloKey, QStringLiteral("H"), entries(10, 2)));
        put(base + QStringLiteral("courtwise/records.dat"),
            writers::MaskedArchive(kMarbeloKey, QStringLiteral("H"), entries(10, 3)));
        put(base + QStringLiteral("deminar/records.dat"),
            writers::MaskedArchive(kDeminarKey, QStringLiteral("H"), entries(3, 4)));
        put(base + QStringLiteral("marbelo sp/HighScores.sco"),
            writers::SignedTableText(3, 1, "phone", {{"Ann", 20, ""}, {"Bob", 10, ""}}));
        image->folders += 6;
        for (int i = 6; i < kFoldersPerProgramFolder; ++i) {
            std::vector<writers::TextRecord> records;
            for (int r = 0; r < 10; ++r)
                records.push_back({"Player " + std::to_string(r), (i * 31 + r * 7) % 1000, "x"});
            put(base + QStringLiteral("Game %1/HighScores.sco").arg(i, 4, 10, QLatin1Char('0')),
                writers::SignedTableText(100 + i, 1, "Game " + std::to_string(i), records));
            ++image->folders;
        }
    }
}

// One scan of the image at folder, on a session opened for it; the number of sources found.
qsizetype scan(const QString& folder) {
    UserProfile profile;
    IslandMarks marks(profile);
    const std::unique_ptr<Handheld> handheld = createHandheld(folder, profile);
    handheld->connect(std::chrono::milliseconds(0));
    ScanContext context(*handheld, marks);
    scanHandheld(context, {});
    return context.collection.sources.size();
}

void BM_ScanDevice(benchmark::State& state) {
    qsizetype found = 0;
    for (auto _ : state) {
        found = scan(image->dir.path());
        benchmark::DoNotOptimize(found);
    }
    state.counters["sources"] = double(found);
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
    state.counters["files"] = double(image->files.size());
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);

void BM_ScanEmptyFolders(benchmark::State& state) {
    const auto folders = int(state.range(0));
    QTemporaryDir dir;
    writeFile(dir.path() + QStringLiteral("/device.ini"), "[Link]\nPacing=0\n");
    const QString base = dir.path() + QStringLiteral("/files/Storage/Program Files/");
    for (int i = 0; i < folders; ++i)
        QDir().mkpath(base + QStringLiteral("Game %1").arg(i, 6, 10, QLatin1Char('0')));
    for (auto _ : state)
        benchmark::DoNotOptimize(scan(dir.path()));
    state.counters["per folder"] = benchmark::Counter(
        folders, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ScanEmptyFolders)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    makeImage();
    std::printf("Device image: %d game folders, %lld highscore files\n", image->folders,
                static_cast<long long>(image->files.size()));
    RatioReporter reporter(benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double scan = reporter.seconds["BM_ScanDevice"];
    const double plain = reporter.seconds["BM_PlainRead"];
    if (scan > 0 && plain > 0)
        std::printf("Scan time / plain read time: %.1f\n", scan / plain);
    benchmark::Shutdown();
    delete image;
    return 0;
}
