#include "scores/IslandsSource.h"

// The islands upload data comes with the publishing code.
bool CIslandsSource::BuildUploadBody(const CSettings&, ByteBuffer&) {
    return false;
}

bool CIslandsSource::GetUploadTarget(const CSettings&, std::string&, std::uint32_t&, std::string&,
                                     std::string&, std::string&) {
    return false;
}
