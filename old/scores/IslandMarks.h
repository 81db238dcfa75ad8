#pragma once

// The islands whose upload succeeded, remembered in the per-user profile until their files
// have been deleted from the handheld at a later download.
//
// Section "IslandsToDelete": one entry per island id (the island's second header text) with
// the value "1". Section "IslandsPublished": for each such id, the MD5 digests of the island
// files that were actually published under it, so that only those exact files are deleted;
// ids are reused, and a new island that merely shares an id must survive. A mark without
// digests (written by older versions) still deletes every island with that id.
//
// The program may stop between any two profile writes, so the writes come in an order in
// which every state in between deletes less than intended, never more: a digest is recorded
// before its mark, and a mark goes before its last digest. A digest without a mark deletes
// nothing.

#include <QStringList>
#include <string>

class IProfileStore;

class CIslandMarks {
public:
    explicit CIslandMarks(IProfileStore& store) : store(store) {}

    bool IsMarked(const std::string& id) const;
    // Digests (lowercase hex MD5) of the files published under id; empty when none is
    // recorded.
    QStringList Digests(const std::string& id) const;

    // Every write returns false when the profile could not be saved; the writes after it are
    // then left undone.
    //
    // Records that the file with this digest was published under id, then marks id.
    bool MarkPublished(const std::string& id, const QString& digest);
    // The mark as older versions wrote it: every island with this id is deleted.
    bool Mark(const std::string& id);
    bool Unmark(const std::string& id);
    // Drops one digest; when it was the last one, the mark goes first, then the record.
    bool Forget(const std::string& id, const QString& digest);

private:
    IProfileStore& store;
};

// The profile key of an island id: "%", "/" and "\" are escaped so that any id, whatever
// characters it holds, is one entry and not a path of groups.
QString IslandProfileKey(const std::string& id);
