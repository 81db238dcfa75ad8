// Peak memory of "scorvane-cli scan --device IMAGE --json" on a device image of 1,000 game
// folders (ten records each, pacing off) against an empty image. Each figure is the child
// process's peak resident size, the smallest of five runs.
//
//   cli_memory_bench [SCORVANE_CLI]   measures the given program instead of the built one
#include "HighscoreWriters.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kFoldersPerProgramFolder = 250;
const char* const kProgramFolders[] = {"Storage/Program Files", "Mounted Volume/Program Files",
                                       "Storage Card/Program Files", "IPSM/Program Files"};

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// An image with files/ and pacing off, and with tables when folders is above 0.
void makeImage(const QString& root, int folders) {
    writeFile(root + QStringLiteral("/device.ini"), "[Link]\nPacing=0\n");
    QDir().mkpath(root + QStringLiteral("/files"));
    for (int i = 0; i < folders; ++i) {
        std::vector<writers::TextRecord> records;
        for (int r = 0; r < 10; ++r)
            records.push_back({"Player " + std::to_string(r), (i * 31 + r * 7) % 1000, "x"});
        const QString folder =
            QLatin1String(kProgramFolders[i / kFoldersPerProgramFolder]) +
            QStringLiteral("/Game %1").arg(i % kFoldersPerProgramFolder, 4, 10, QLatin1Char('0'));
        writeFile(root + QStringLiteral("/files/") + folder + QStringLiteral("/HighScores.sco"),
                  writers::SignedTableText(100 + i, 1, "Game " + std::to_string(i), records));
    }
}

// The peak resident size of one run of the program, in KiB; -1 when it failed.
long peakKilobytes(const char* program, const QString& image) {
    const QByteArray folder = image.toLocal8Bit();
    char* const argv[] = {const_cast<char*>(program),    const_cast<char*>("scan"),
                          const_cast<char*>("--device"), const_cast<char*>(folder.constData()),
                          const_cast<char*>("--json"),   nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

long smallestPeak(const char* program, const QString& image) {
    std::vector<long> peaks;
    for (int run = 0; run < 5; ++run)
        peaks.push_back(peakKilobytes(program, image));
    return *std::min_element(peaks.begin(), peaks.end());
}

} // namespace

int main(int argc, char** argv) {
    const char* program = argc > 1 ? argv[1] : SCORVANE_CLI_PATH;
    // The program reads a profile: give it an empty one of its own.
    QTemporaryDir profile;
    qputenv("XDG_CONFIG_HOME", profile.path().toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", profile.path().toLocal8Bit());
    QTemporaryDir empty;
    QTemporaryDir full;
    makeImage(empty.path(), 0);
    makeImage(full.path(), 4 * kFoldersPerProgramFolder);

    const long emptyPeak = smallestPeak(program, empty.path());
    const long fullPeak = smallestPeak(program, full.path());
    if (emptyPeak < 0 || fullPeak < 0) {
        std::fprintf(stderr, "cli_memory_bench: %s did not run\n", program);
        return 1;
    }
    std::printf("%s scan --json, peak resident size:\n", program);
    std::printf("  empty image          %6.1f MiB\n", emptyPeak / 1024.0);
    std::printf("  1,000 game folders   %6.1f MiB  (%+.1f MiB)\n", fullPeak / 1024.0,
                (fullPeak - emptyPeak) / 1024.0);
    return 0;
}
