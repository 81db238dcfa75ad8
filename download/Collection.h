#pragma once

#include "download/HighscoreSource.h"

#include <QList>
#include <QString>
#include <memory>

// Everything one download found on the handheld.
struct Collection {
    // Ordered by title without regard to case (equal titles keep the scan's order).
    QList<std::shared_ptr<HighscoreSource>> sources;
    // A notice for the user (the owner's name is missing, the device image's registry could
    // not be read, ...); empty when there is none.
    QString notice;
    // The islands game is installed on the handheld, and how many of its announced folders
    // loaded.
    bool islandsAppPresent = false;
    int islandsFoldersLoaded = 0;
};

// One branch of the highscore tree: a source with at least one shown entry, or a source with
// no entries at all. A source whose entries are all hidden gets none.
struct TreeBranch {
    std::shared_ptr<HighscoreSource> source;
    QList<SourceEntry> entries;
};

inline constexpr char kTreeRootText[] = "Pocket PC/Smartphone Highscores";

// The branches, in the collection's order.
QList<TreeBranch> highscoreTree(const Collection& collection);
