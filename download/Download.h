#pragma once

// One download, as a worker runs it: ends any earlier session, connects, scans the handheld
// (deleting the island files that an earlier publish marked), disconnects. The handheld's
// link pauses separate the steps. A stop asked for ends the download before the scan's next
// step (a folder search in progress ends its walk early), never while published islands are
// being deleted; a stopped download has deleted nothing and written nothing to the profile.

#include "download/Collection.h"

#include <QStringList>
#include <chrono>
#include <functional>
#include <stop_token>

class Handheld;
class IslandMarks;

enum class DownloadResult {
    Ok = 0,         // connected, and the scan succeeded
    NoDevice = 1,   // no session could be established
    ScanFailed = 2, // connected, but the scan failed
    Stopped = 3,    // a stop was asked for; the collection is not to be used
};

struct DownloadOutcome {
    DownloadResult result = DownloadResult::NoDevice;
    Collection collection;
    // A write to the profile (the island marks) failed during the download.
    bool profileWriteFailed = false;
};

struct DownloadRequest {
    Handheld& handheld;
    IslandMarks& marks;
    std::chrono::milliseconds wait;
    std::stop_token stop = {};
    // Told what the scan searches now ("Searching the program folders", ...), on the
    // download's thread.
    std::function<void(const QString&)> progress = {};
};

DownloadOutcome runDownload(const DownloadRequest& request);

// The texts of the message boxes shown after a download, in order, the profile's "not saved"
// text last when the island marks could not be written. treeShown tells whether the tree
// rebuilt from the outcome has at least one branch.
QStringList downloadMessages(const DownloadOutcome& outcome, bool treeShown);
