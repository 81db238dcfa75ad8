#pragma once

// The islands whose upload succeeded, remembered in the per-user profile until their files
// have been deleted from the handheld at a later download.
//
// Section "IslandsToDelete": one entry per island id (the island's second header text) with
// the value "1". Section "IslandsPublished": for each such id, the MD5 digests of the island
// files that were actually published under it, so that only those exact files are deleted;
// ids are reused, and a new island that merely shares an id must survive. A mark without
// digests (written by older versions) still deletes every island with that id.

#include <QStringList>
#include <string>

void MarkIslandForDeletion(const std::string& id);
void UnmarkIsland(const std::string& id);
bool IsIslandMarked(const std::string& id);

// Digests (lowercase hex MD5) of the files published under id; empty when none is recorded.
QStringList PublishedIslandDigests(const std::string& id);
void RecordPublishedIsland(const std::string& id, const QString& digest);
// Drops one digest; returns the digests that remain (the record goes when none remain).
QStringList ForgetPublishedIsland(const std::string& id, const QString& digest);
// Every id that has a digest record.
std::vector<std::string> IslandsWithPublishedDigests();

// The profile key of an island id: "%", "/" and "\" are escaped so that any id, whatever
// characters it holds, is one entry and not a path of groups.
QString IslandProfileKey(const std::string& id);
