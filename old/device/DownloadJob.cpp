#include "device/DownloadJob.h"

#include "device/HighscoreCollection.h"
#include "device/RapiSession.h"

namespace {

constexpr rapi::DWORD kStepPauseMs = 10;

void PauseLink(IRapiDevice* device) {
    if (device)
        device->Pause(kStepPauseMs);
}

// Keeps the scan's handheld set on the collection only while the scan runs.
class ScanDeviceScope {
public:
    ScanDeviceScope(CHighscoreCollection& collection, IRapiDevice* device)
        : collection(collection) {
        collection.SetDevice(device);
    }
    ~ScanDeviceScope() { collection.SetDevice(nullptr); }
    ScanDeviceScope(const ScanDeviceScope&) = delete;
    ScanDeviceScope& operator=(const ScanDeviceScope&) = delete;

private:
    CHighscoreCollection& collection;
};

} // namespace

int RunDownload(RapiSession& session, IRapiDevice* device, CHighscoreCollection& collection,
                rapi::DWORD waitMs, std::stop_token stop) {
    int result = DOWNLOAD_OK;
    session.Disconnect();
    PauseLink(device);

    const bool connected = !stop.stop_requested() && session.Connect(device, waitMs);
    if (stop.stop_requested())
        result = DOWNLOAD_STOPPED;
    else if (!connected)
        result = DOWNLOAD_NO_DEVICE;
    PauseLink(device);

    if (result == DOWNLOAD_OK) {
        const ScanDeviceScope scope(collection, session.Device());
        const int scanned = collection.ScanDevice(stop);
        if (scanned == kScanStopped)
            result = DOWNLOAD_STOPPED;
        else if (scanned == 0)
            result = DOWNLOAD_SCAN_FAILED;
    }
    PauseLink(device);

    session.Disconnect();
    PauseLink(device);
    return result;
}

std::vector<std::string> DownloadMessages(int result, const CHighscoreCollection& collection,
                                          bool treeShown) {
    switch (result) {
    case DOWNLOAD_OK: {
        std::vector<std::string> messages;
        if (!collection.scanMessage.empty())
            messages.push_back(collection.scanMessage);
        if (collection.islandsAppPresent && collection.islandsEntriesLoaded == 0)
            messages.push_back(
                "Unable to download Zelk Skyholm highscores.\n"
                "Please make sure that:\n"
                "1. Zelk Skyholm was executed at least one time after installation on your "
                "Pocket PC.\n"
                "2. Zelk Skyholm is not running on your Pocket PC right now.");
        if (!treeShown && collection.scanMessage.empty())
            messages.push_back("No highscores found on the mobile device.");
        return messages;
    }
    case DOWNLOAD_NO_DEVICE:
        return {"Unable to connect to the mobile device."};
    case DOWNLOAD_SCAN_FAILED:
        return {"Error downloading highscores from the mobile device."};
    case DOWNLOAD_STOPPED:
        return {"The download was stopped."};
    default:
        return {"Unexpected error occured while downloading highscores from the mobile device."};
    }
}
