#pragma once

#include "scores/HighscoreSource.h"

// A file of new highscores that a game announced on the handheld. It holds one table in the
// signed table text, which is kept exactly as read (its own header, title and digest) and
// published to the islands site.
class CNewHighscoresSource : public CHighscoreSource {
public:
    using CHighscoreSource::CHighscoreSource;

    bool Decode() override;
    int GetDestination() const override;
    bool HasData() const override;
    bool BuildUploadBody(const CSettings& settings, ByteBuffer& out) override;
    bool GetUploadTarget(const CSettings& settings, std::string& server, std::uint32_t& port,
                         std::string& userName, std::string& password,
                         std::string& scriptPath) override;
};
