#include "scores/StatisticsDecoders.h"

#include "device/HighscoreCollection.h"
#include "device/RemoteRegKey.h"
#include "device/TextCodec.h"
#include "scores/DecodeRules.h"
#include "scores/HighscoreSource.h"

#include <array>
#include <cstdint>

namespace {

constexpr const char* kOwnerKey = "\\ControlPanel\\Owner";
constexpr rapi::DWORD kOwnerBytes = 768;
constexpr const char* kAnonymous = "Anonymous";

// The two 32-bit statistics values; false when data holds fewer than 8 bytes or both are 0.
bool ReadTwoValues(CHighscoreSource& source, std::uint32_t& first, std::uint32_t& second) {
    if (!source.data.ReadU32(first) || !source.data.ReadU32(second))
        return false;
    return first != 0 || second != 0;
}

} // namespace

std::string GetOwnerName(const CHighscoreSource& source) {
    CHighscoreCollection* collection = source.Collection();
    CRemoteRegKey key(collection ? collection->Device() : nullptr, rapi::HKEY_CURRENT_USER,
                      kOwnerKey);
    std::string name;
    std::array<std::uint8_t, kOwnerBytes> owner{};
    rapi::DWORD size = kOwnerBytes;
    if (key.QueryBinary("Owner", owner.data(), &size)) {
        std::u16string wide(kOwnerBytes / 2, u'\0');
        for (std::size_t i = 0; i < wide.size(); ++i)
            wide[i] = static_cast<char16_t>(owner[2 * i] | owner[2 * i + 1] << 8);
        name = NarrowFromWide(wide);
    }
    if (name.empty())
        name = key.QueryString("Name", "");
    if (name.empty()) {
        if (collection)
            collection->SetScanMessage(
                "Since you have not entered your Pocket PC/Smartphone owner information your "
                "name will appear as Anonymous for " +
                source.GetTitle() + " some highscores");
        name = kAnonymous;
    }
    key.Close();
    return name;
}

bool DecodeSolitaireStats(CHighscoreSource& source) {
    std::uint32_t games = 0;
    std::uint32_t won = 0;
    if (!ReadTwoValues(source, games, won))
        return false;
    std::string name = GetOwnerName(source);
    AddDecodedRecord(source.table, std::move(name), static_cast<std::int32_t>(won),
                     "Games: " + std::to_string(games) + ", won: " + std::to_string(won));
    return true;
}

bool DecodeModeStats(CHighscoreSource& source) {
    std::uint32_t score = 0;
    std::uint32_t games = 0;
    if (!ReadTwoValues(source, score, games))
        return false;
    std::string name = GetOwnerName(source);
    AddDecodedRecord(source.table, std::move(name), static_cast<std::int32_t>(score),
                     "Games: " + std::to_string(games));
    return true;
}
