#pragma once

#include "device/IslandFiles.h"
#include "scores/HighscoreSource.h"

#include <memory>
#include <vector>

class IProfileStore;

inline constexpr const char* kIslandsTitle = "Zelk Skyholm";

// The islands game's files: one entry per island, published by uploading the files.
class CIslandsSource : public CHighscoreSource {
public:
    CIslandsSource(CHighscoreCollection* collection, const std::string& salt,
                   const std::string& name, std::int32_t limit);
    ~CIslandsSource() override;

    int LoadFromDevice(const std::string& path) override;
    bool Decode() override;
    bool OnPublishResult(bool ok) override;
    std::string GetTitle() const override;
    int GetDestination() const override;
    bool HasData() const override;
    bool FirstEntry() override;
    bool NextEntry() override;
    bool GetEntryText(std::string& out) override;
    bool BuildUploadBody(const CSettings& settings, ByteBuffer& out) override;
    bool GetUploadTarget(const CSettings& settings, std::string& server, std::uint32_t& port,
                         std::string& userName, std::string& password,
                         std::string& scriptPath) override;

    // Where the island marks are kept: the collection's profile.
    IProfileStore& Profile() const;

    std::vector<std::unique_ptr<IslandFile>> islands;
    std::int32_t islandCursor = 0;
};
