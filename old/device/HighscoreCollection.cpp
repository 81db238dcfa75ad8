#include "device/HighscoreCollection.h"

#include "device/TextCodec.h"
#include "ui/Profile.h"

#include <QString>
#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<const char*, std::int32_t>, 24> kGameIds = {{
    {"vondrel", 1},      {"zelk vondrel", 1},   {"vondrel sp", 1},   {"quilbit", 2},
    {"zelk quilbit", 2}, {"marbelo", 3},        {"zelk marbelo", 3}, {"marbelo sp", 3},
    {"solvane", 4},      {"zelk solvane", 4},   {"deminar", 5},      {"zelk deminar", 5},
    {"courtwise", 6},    {"zelk courtwise", 6}, {"paddlet", 6},      {"zelk paddlet", 6},
    {"chomplet0", 20},   {"chomplet1", 21},     {"chomplet2", 22},   {"chomplet3", 23},
    {"chomplet4", 24},   {"chomplet5", 25},     {"chomplet6", 26},   {"chomplet7", 27},
}};

constexpr std::array<std::pair<std::int32_t, const char*>, 5> kHighscoreFiles = {{
    {1, "HighScores.sco"},
    {2, "records.dat"},
    {3, "records.dat"},
    {5, "records.dat"},
    {6, "records.dat"},
}};

constexpr const char* kDefaultHighscoreFile = "HighScores.sco";

} // namespace

std::string DisplayNameForGame(std::int32_t game) {
    switch (game) {
    case 1:
        return "Zelk Vondrel";
    case 2:
        return "Zelk Quilbit";
    case 3:
        return "Zelk Marbelo";
    case 4:
        return "Zelk Solvane";
    case 5:
        return "Zelk Deminar";
    case 6:
        return "Zelk Paddlet";
    case 20:
        return "Chomplet Standard High";
    case 21:
        return "Chomplet Standard Average";
    case 22:
        return "Chomplet Continuous High";
    case 23:
        return "Chomplet Continuous Average";
    case 24:
        return "Chomplet Shifter High";
    case 25:
        return "Chomplet Shifter Average";
    case 26:
        return "Chomplet Megaslide High";
    case 27:
        return "Chomplet Megaslide Average";
    default:
        return "";
    }
}

CHighscoreCollection::CHighscoreCollection(std::int32_t maxRecords) : maxRecords(maxRecords) {
    for (const auto& [id, game] : kGameIds)
        gameMap.emplace(id, game);
    for (const auto& [game, file] : kHighscoreFiles)
        fileNameMap.emplace(game, file);
}

CHighscoreCollection::~CHighscoreCollection() {
    ClearSources();
}

IProfileStore& CHighscoreCollection::Profile() const {
    return profile ? *profile : UserProfile();
}

std::int32_t CHighscoreCollection::GameNumberForId(const std::string& id) const {
    if (id.empty())
        return 0;
    const std::string lower = NarrowFromQString(QStringFromNarrow(id).toLower());
    const auto it = gameMap.find(lower);
    return it == gameMap.end() ? 0 : it->second;
}

std::string CHighscoreCollection::FileNameForGame(std::int32_t game) const {
    if (game == 0)
        return kDefaultHighscoreFile;
    const auto it = fileNameMap.find(game);
    return it == fileNameMap.end() ? kDefaultHighscoreFile : it->second;
}

void CHighscoreCollection::ClearSources() {
    std::vector<std::unique_ptr<CHighscoreSource>>().swap(sources);
}

void CHighscoreCollection::SetScanMessage(const std::string& text) {
    if (!text.empty())
        scanMessage = text;
}
