#include "scores/HighscoreSource.h"

// Upload data comes with the publishing code; until then no source has anything to send.
bool CHighscoreSource::BuildUploadBody(const CSettings&, ByteBuffer&) {
    return false;
}

bool CHighscoreSource::GetUploadTarget(const CSettings&, std::string&, std::uint32_t&, std::string&,
                                       std::string&, std::string&) {
    return false;
}

bool CHighscoreSource::BuildTableUploadBody(const std::string&, ByteBuffer&) const {
    return false;
}
