// The sources the games announced under the program's own key on the handheld: files of new
// highscores and the islands game's folder.
#include "device/HighscoreCollection.h"

#include "device/IslandFiles.h"
#include "scores/IslandsSource.h"
#include "scores/NewHighscoresSource.h"

#include <memory>

namespace {
constexpr const char* kNewHighscoresSource = "NewHighscores";
constexpr const char* kIslandsSource = "NewHighscores_Skyholm";
} // namespace

int CHighscoreCollection::LoadNewHighscores(const std::string& path) {
    auto source = std::make_unique<CNewHighscoresSource>(this, kHighscoreSalt, kNewHighscoresSource,
                                                         maxRecords);
    if (source->LoadFromDevice(path) != READ_OK || !source->Decode())
        return 0;
    if (source->HasData())
        sources.push_back(std::move(source));
    return 1;
}

int CHighscoreCollection::LoadIslands(const std::string& folder) {
    auto source =
        std::make_unique<CIslandsSource>(this, kHighscoreSalt, kIslandsSource, maxRecords);
    if (source->LoadFromDevice(folder) != READ_OK || !source->Decode())
        return 0;
    DeleteMarkedIslands(*source);
    if (source->HasData())
        sources.push_back(std::move(source));
    return 1;
}
