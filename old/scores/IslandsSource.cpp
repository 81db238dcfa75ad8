#include "scores/IslandsSource.h"

#include "device/HighscoreCollection.h"
#include "scores/IslandMarks.h"
#include "ui/Profile.h"

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

bool CIslandsSource::OnPublishResult(bool ok) {
    if (!ok) {
        for (const auto& island : islands)
            if (island->published && !island->done)
                island->published = false;
        return true;
    }
    for (const auto& island : islands)
        if (island->chosen)
            island->published = true;
    CIslandMarks marks(Profile());
    for (const auto& island : islands) {
        if (island->published && island->number >= 1 && !island->text2.empty() &&
            !marks.MarkPublished(island->text2, IslandDigest(*island)))
            return false;
    }
    return true;
}

IProfileStore& CIslandsSource::Profile() const {
    return Collection() ? Collection()->Profile() : UserProfile();
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
