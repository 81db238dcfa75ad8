#include "publish/UploadBody.h"
#include "scores/IslandsSource.h"
#include "ui/Settings.h"

// The islands layout over this source's island files. Every call sets the chosen flag of each
// island anew; OnPublishResult reads those flags after the upload.
bool CIslandsSource::BuildUploadBody(const CSettings& settings, ByteBuffer& out) {
    std::vector<IslandUploadItem> items;
    items.reserve(islands.size());
    for (const auto& island : islands)
        items.push_back({island->bytes.View(), island->done});
    std::vector<bool> picked;
    const bool built = BuildIslandsUploadBody(settings.islands.email, settings.islands.password,
                                              Chosen(), items, picked, out);
    for (std::size_t i = 0; i < islands.size(); ++i)
        islands[i]->chosen = i < picked.size() && picked[i];
    return built;
}

bool CIslandsSource::GetUploadTarget(const CSettings& settings, std::string& server,
                                     std::uint32_t& port, std::string& userName,
                                     std::string& password, std::string& scriptPath) {
    CopyUploadTarget(settings.islands, server, port, userName, password, scriptPath);
    return true;
}
