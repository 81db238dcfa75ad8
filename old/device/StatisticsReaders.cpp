// Games that keep no highscore file in their folder: the solitaire game's statistics in the
// handheld's registry and the puzzle game's statistics file in its Windows folder.
#include "device/HighscoreCollection.h"

#include "device/RemoteRegKey.h"
#include "device/TextCodec.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

using namespace rapi;

namespace {

constexpr const char* kSolitaireKey = "Software\\Zelkora\\Solvane\\Statistics";
constexpr const char* kSolitaireSource = "Solvane";
constexpr DWORD kMissing = 0xFFFFFFFFu;
constexpr DWORD kMostGames = 100000;

constexpr const char* kPuzzleFile = "\\Windows\\Chomplet.dat";
constexpr DWORD kPuzzleReadBytes = 64000;
constexpr std::size_t kFirstModeRecord = 12672;
constexpr std::size_t kModeRecordBytes = 40;
constexpr int kModes = 4;
// A mode's average counts only from this many games on.
constexpr std::uint32_t kGamesForAverage = 10;

std::uint32_t U32At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return std::uint32_t(bytes[offset]) | std::uint32_t(bytes[offset + 1]) << 8 |
           std::uint32_t(bytes[offset + 2]) << 16 | std::uint32_t(bytes[offset + 3]) << 24;
}

} // namespace

int CHighscoreCollection::ReadSolitaireStatistics() {
    CRemoteRegKey key(device, HKEY_CURRENT_USER, kSolitaireKey);
    DWORD games = key.QueryDword("Games", kMissing);
    const DWORD won = key.QueryDword("Won", kMissing);
    if (won == kMissing)
        return 0;
    if (games == kMissing || games > kMostGames)
        games = 0;

    auto source =
        std::make_unique<CHighscoreSource>(this, kHighscoreSalt, kSolitaireSource, maxRecords);
    source->data.AppendU32(games);
    source->data.AppendU32(won);
    if (source->Decode())
        sources.push_back(std::move(source));
    return 1;
}

int CHighscoreCollection::ReadPuzzleGameFile() {
    if (!device)
        return 0;
    const std::u16string path = WideFromNarrow(kPuzzleFile);
    const HANDLE file = device->CeCreateFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    // Whatever the file does not hold reads as zero: a short file never exposes stale bytes.
    std::vector<std::uint8_t> bytes(kPuzzleReadBytes, 0);
    DWORD read = 0;
    if (!device->CeReadFile(file, bytes.data(), kPuzzleReadBytes, &read) || read > kPuzzleReadBytes)
        read = 0;
    std::fill(bytes.begin() + read, bytes.end(), std::uint8_t(0));
    device->CeCloseHandle(file);

    struct Mode {
        std::uint32_t games, highest, average;
    };
    std::array<Mode, kModes> modes{};
    for (int m = 0; m < kModes; ++m) {
        const std::size_t record = kFirstModeRecord + kModeRecordBytes * std::size_t(m);
        const std::uint32_t games = U32At(bytes, record);
        const std::uint32_t sum = U32At(bytes, record + 8);
        modes[std::size_t(m)] = {games, U32At(bytes, record + 4),
                                 games >= kGamesForAverage ? sum / games : 0};
    }
    for (int j = 0; j < 2 * kModes; ++j) {
        const Mode& mode = modes[std::size_t(j / 2)];
        auto source = std::make_unique<CHighscoreSource>(
            this, kHighscoreSalt, "Chomplet" + std::to_string(j), maxRecords);
        source->data.AppendU32(j % 2 == 0 ? mode.highest : mode.average);
        source->data.AppendU32(mode.games);
        if (source->Decode())
            sources.push_back(std::move(source));
    }
    return 1;
}
