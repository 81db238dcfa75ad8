#include "scores/NewHighscoresSource.h"

// The upload data comes with the publishing code.
bool CNewHighscoresSource::BuildUploadBody(const CSettings&, ByteBuffer&) {
    return false;
}

bool CNewHighscoresSource::GetUploadTarget(const CSettings&, std::string&, std::uint32_t&,
                                           std::string&, std::string&, std::string&) {
    return false;
}
