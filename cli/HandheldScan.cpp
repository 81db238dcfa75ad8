#include "cli/HandheldScan.h"

#include "handheld/Handheld.h"
#include "profile/DeviceSettings.h"
#include "profile/IslandMarks.h"
#include "profile/Profile.h"

HandheldScan scanHandheld(const QString& imageFolder) {
    UserProfile profile;
    IslandMarks marks(profile);
    const std::unique_ptr<Handheld> handheld = createHandheld(imageFolder, profile);
    HandheldScan scan;
    scan.outcome = runDownload({*handheld, marks, kSessionWait});
    if (scan.outcome.result == DownloadResult::Ok)
        scan.tree = highscoreTree(scan.outcome.collection);
    return scan;
}
