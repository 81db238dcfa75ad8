#include "scores/IslandsSource.h"

#include "device/HighscoreCollection.h"
#include "scores/IslandMarks.h"

CIslandsSource::CIslandsSource(CHighscoreCollection* collection, const std::string& salt,
                               const std::string& name, std::int32_t limit)
    : CHighscoreSource(collection, salt, name, limit) {}

CIslandsSource::~CIslandsSource() {
    ClearIslandFiles(*this);
}

int CIslandsSource::LoadFromDevice(const std::string& path) {
    return LoadIslandFolder(*this, path);
}

bool CIslandsSource::Decode() {
    table.Reset();
    data.SetPosition(0);
    table.gameNumber = kIslandsGameNumber;
    return true;
}

void CIslandsSource::OnPublishResult(bool ok) {
    if (!ok) {
        for (const auto& island : islands)
            if (island->published && !island->done)
                island->published = false;
        return;
    }
    for (const auto& island : islands)
        if (island->chosen)
            island->published = true;
    // The digest goes first: should the program stop in between, an id without its "1" mark
    // deletes nothing, while a mark without a digest would delete every island of that id.
    for (const auto& island : islands) {
        if (!island->published || island->number < 1 || island->text2.empty())
            continue;
        RecordPublishedIsland(island->text2, IslandDigest(*island));
        MarkIslandForDeletion(island->text2);
    }
}

std::string CIslandsSource::GetTitle() const {
    return kIslandsTitle;
}

int CIslandsSource::GetDestination() const {
    return DEST_ISLANDS;
}

bool CIslandsSource::HasData() const {
    return !islands.empty();
}

bool CIslandsSource::FirstEntry() {
    islandCursor = 0;
    return !islands.empty();
}

bool CIslandsSource::NextEntry() {
    if (islandCursor + 1 < static_cast<std::int32_t>(islands.size())) {
        ++islandCursor;
        return true;
    }
    return false;
}

bool CIslandsSource::GetEntryText(std::string& out) {
    out.clear();
    if (islandCursor < 0 || islandCursor >= static_cast<std::int32_t>(islands.size()))
        return false;
    const IslandFile& island = *islands[static_cast<std::size_t>(islandCursor)];
    if (island.number < 0)
        return false;
    if (island.number == 0)
        out = "Current island (" + island.name + ")";
    else
        out = "Island " + std::to_string(island.number) + " (" + island.name + ")";
    return true;
}
