#pragma once

// The scan of a connected handheld, step by step: the announcements, the attachments folder,
// the program folders, the storage cards, the statistics, then the announced sources, and the
// sources sorted by title.

#include "download/ScanContext.h"

#include <functional>

// Runs the steps into scan.collection; false when it was stopped. Each step is announced
// through progress ("Searching the program folders", ...) and a stop asked for is honoured
// before it; once the announced sources load (which deletes published islands) the scan runs
// to its end. A stopped scan has deleted nothing and written nothing to the profile.
bool scanHandheld(ScanContext& scan, const std::function<void(const QString&)>& progress);

// Orders sources by title without regard to case; equal titles keep their order.
void sortByTitle(QList<std::shared_ptr<HighscoreSource>>& sources);
