#pragma once

// The islands game's folder: reading every island file in it, and deleting the files of the
// islands that an earlier publish marked (see IslandMarks.h).

#include "download/IslandsSource.h"

#include <optional>

class Handheld;

// The handheld's paths hold at most 259 characters.
inline constexpr qsizetype kMaxPathChars = 259;

// Every file of the folder (sub-folders are skipped), each followed by the link's pause, in
// the handheld's order. Nothing when the folder cannot be listed, when its path leaves no room
// for a file name, or when any one file cannot be read: one unreadable file fails the folder.
std::optional<QList<Island>> readIslandsFolder(Handheld& handheld, const QString& folder);

struct IslandDeletion {
    bool allDeleted = true;          // every marked island's file is gone
    bool profileWriteFailed = false; // the deletion stopped there, leaving the rest
};

// Deletes the files of the marked islands (never the island being played) and drops them from
// islands. Where the digests of the published files are on record, only those very files go.
// A mark is forgotten once its file is gone; a mark whose file could not be deleted stays for
// the next download. Digests of published files that are no longer in the folder go too, but
// only for the ids this folder holds: another islands folder may hold the files of others.
//
// Each attribute query and deletion is followed by the link's pause. It runs to its end once
// begun, unless a profile write fails: then nothing more is deleted, as the marks can no
// longer follow the files.
IslandDeletion deleteMarkedIslands(Handheld& handheld, IslandMarks& marks, QList<Island>& islands);
