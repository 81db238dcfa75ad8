#include "scores/HighscoreSource.h"

#include "device/DeviceFile.h"
#include "device/HighscoreCollection.h"
#include "scores/DefaultEntries.h"

#include <cstdio>

namespace {
// Entry texts look at no more than this many bytes of a name or an extra text.
constexpr std::size_t kEntryFieldBytes = 1023;
} // namespace

CHighscoreSource::CHighscoreSource(CHighscoreCollection* collection, const std::string& salt,
                                   const std::string& name, std::int32_t limit)
    : collection(collection), name(name) {
    table.salt = salt;
    table.limit = limit;
}

CHighscoreSource::~CHighscoreSource() = default;

void CHighscoreSource::ResetForLoad() {
    data.Clear();
    table.Reset();
}

int CHighscoreSource::LoadFromDevice(const std::string& path) {
    return ReadDeviceFile(collection ? collection->Device() : nullptr, *this, path);
}

bool CHighscoreSource::OnPublishResult(bool) {
    return true;
}

std::string CHighscoreSource::GetTitle() const {
    return table.title;
}

int CHighscoreSource::GetDestination() const {
    return DEST_COMMUNITY;
}

bool CHighscoreSource::HasData() const {
    return data.Length() != 0;
}

std::int32_t CHighscoreSource::GetGameNumber() const {
    return table.gameNumber;
}

bool CHighscoreSource::FirstEntry() {
    if (table.Count() < 1) {
        table.cursor = -1;
        return false;
    }
    table.cursor = 0;
    return true;
}

bool CHighscoreSource::NextEntry() {
    if (table.IsValidIndex(table.cursor))
        ++table.cursor;
    if (table.IsValidIndex(table.cursor))
        return true;
    table.cursor = -1;
    return false;
}

bool CHighscoreSource::GetEntryText(std::string& out) {
    out.clear();
    std::string entryName;
    std::string extra;
    std::int32_t score = -1;
    if (table.IsValidIndex(table.cursor)) {
        const HighscoreRecord& record = table.records[static_cast<std::size_t>(table.cursor)];
        entryName = record.name.substr(0, kEntryFieldBytes);
        extra = record.extra.substr(0, kEntryFieldBytes);
        score = record.score;
    }
    if (IsDefaultEntry(table.gameNumber, entryName, score, extra))
        return false;
    out = entryName + ", " + std::to_string(score) + " points";
    if (!extra.empty())
        out += ", " + extra;
    return true;
}

void CHighscoreSource::ChosenAsText(ByteBuffer& out) const {
    out.Clear();
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        if (i > 0)
            out.Append(",");
        out.Append(std::to_string(static_cast<std::int32_t>(chosen[i])));
    }
}
