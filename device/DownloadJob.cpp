#include "device/DownloadJob.h"

#include "device/HighscoreCollection.h"
#include "device/RapiSession.h"

int RunDownload(RapiSession& session, IRapiDevice*, CHighscoreCollection&, rapi::DWORD) {
    session.Disconnect();
    return DOWNLOAD_NO_DEVICE;
}

std::vector<std::string> DownloadMessages(int, const CHighscoreCollection&, bool) {
    return {};
}
