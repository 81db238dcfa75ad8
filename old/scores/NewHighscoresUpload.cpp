#include "publish/UploadBody.h"
#include "scores/NewHighscoresSource.h"
#include "ui/Settings.h"

// The table layout, with the islands account's e-mail address.
bool CNewHighscoresSource::BuildUploadBody(const CSettings& settings, ByteBuffer& out) {
    return BuildTableUploadBody(settings.islands.email, out);
}

bool CNewHighscoresSource::GetUploadTarget(const CSettings& settings, std::string& server,
                                           std::uint32_t& port, std::string& userName,
                                           std::string& password, std::string& scriptPath) {
    CopyUploadTarget(settings.islands, server, port, userName, password, scriptPath);
    return true;
}
