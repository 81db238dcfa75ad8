#pragma once

#include "device/RapiDevice.h"

#include <stop_token>
#include <string>
#include <vector>

class CHighscoreCollection;
class RapiSession;

enum DownloadResult : int {
    DOWNLOAD_OK = 0,          // connected, and the scan succeeded
    DOWNLOAD_NO_DEVICE = 1,   // no session could be established
    DOWNLOAD_SCAN_FAILED = 2, // connected, but the scan failed
    DOWNLOAD_STOPPED = 3,     // a stop was asked for; the collection kept what it held
};

// One download, as the worker thread runs it: ends any earlier session, connects through
// device (waiting at most waitMs), scans into collection, disconnects. Returns a
// DownloadResult. The collection is only touched when the handheld answered. A stop asked for
// through stop ends the download at its next step (see CHighscoreCollection::ScanDevice).
int RunDownload(RapiSession& session, IRapiDevice* device, CHighscoreCollection& collection,
                rapi::DWORD waitMs, std::stop_token stop = {});

// The texts of the message boxes shown after a download, in the order they appear.
// treeShown tells whether the rebuilt tree has at least one branch (result 0 only).
std::vector<std::string> DownloadMessages(int result, const CHighscoreCollection& collection,
                                          bool treeShown);
