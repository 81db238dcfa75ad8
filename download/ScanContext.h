#pragma once

// What the steps of one scan share: the handheld they read, the stop asked for, the
// announcements read first, and the collection they fill.

#include "download/Announcements.h"
#include "download/Collection.h"

#include <stop_token>

class Handheld;
class IslandMarks;

struct ScanContext {
    ScanContext(Handheld& handheld, IslandMarks& marks, std::stop_token stop = {})
        : handheld(handheld), marks(marks), stop(std::move(stop)) {}

    Handheld& handheld;
    IslandMarks& marks;
    std::stop_token stop;
    QList<Announcement> announcements;
    Collection collection;
    // A write of the island marks failed while published islands were deleted.
    bool profileWriteFailed = false;

    bool stopping() const { return stop.stop_requested(); }
    void add(std::shared_ptr<HighscoreSource> source) {
        collection.sources.append(std::move(source));
    }
};
