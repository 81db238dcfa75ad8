#include "download/Download.h"

#include "download/Scan.h"
#include "handheld/Handheld.h"
#include "profile/Profile.h"

DownloadOutcome runDownload(const DownloadRequest& request) {
    Handheld& handheld = request.handheld;
    DownloadOutcome outcome;
    outcome.result = DownloadResult::Ok;
    // A session left open by anything earlier ends first.
    handheld.disconnect();
    handheld.pause();

    const bool connected =
        !request.stop.stop_requested() && handheld.connect(request.wait, request.stop);
    if (request.stop.stop_requested())
        outcome.result = DownloadResult::Stopped;
    else if (!connected)
        outcome.result = DownloadResult::NoDevice;
    handheld.pause();

    if (outcome.result == DownloadResult::Ok) {
        ScanContext scan{handheld, request.marks, request.stop};
        if (scanHandheld(scan, request.progress))
            outcome.collection = std::move(scan.collection);
        else
            outcome.result = DownloadResult::Stopped;
        outcome.profileWriteFailed = scan.profileWriteFailed;
    }
    handheld.pause();

    handheld.disconnect();
    handheld.pause();
    return outcome;
}

QStringList downloadMessages(const DownloadOutcome& outcome, bool treeShown) {
    QStringList messages;
    switch (outcome.result) {
    case DownloadResult::Ok: {
        const Collection& found = outcome.collection;
        if (!found.notice.isEmpty())
            messages << found.notice;
        if (found.islandsAppPresent && found.islandsFoldersLoaded == 0)
            messages << QStringLiteral(
                "Unable to download Zelk Skyholm highscores.\n"
                "Please make sure that:\n"
                "1. Zelk Skyholm was executed at least one time after installation on your "
                "Pocket PC.\n"
                "2. Zelk Skyholm is not running on your Pocket PC right now.");
        if (!treeShown && found.notice.isEmpty())
            messages << QStringLiteral("No highscores found on the mobile device.");
        break;
    }
    case DownloadResult::NoDevice:
        messages << QStringLiteral("Unable to connect to the mobile device.");
        break;
    case DownloadResult::ScanFailed:
        messages << QStringLiteral("Error downloading highscores from the mobile device.");
        break;
    case DownloadResult::Stopped:
        messages << QStringLiteral("The download was stopped.");
        break;
    }
    // The island marks could not follow the files deleted: the user must know that the
    // profile is not being saved.
    if (outcome.profileWriteFailed)
        messages << UserProfile::notSavedText();
    return messages;
}
