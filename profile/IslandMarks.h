#pragma once

// The islands whose upload succeeded, remembered in the profile until their files have been
// deleted from the handheld at a later download.
//
// Section "IslandsToDelete": one entry per island id with the value "1". Section
// "IslandsPublished": for each such id, the MD5 digests of the island files that were
// published under it, so that only those exact files are deleted; ids are reused, and a new
// island that merely shares an id must survive. A mark without digests (left by older
// versions) still deletes every island with that id. Ids are escaped in keys ("%", "/", "\")
// so that any id is one entry.
//
// The program may stop between any two profile writes, so the writes come in an order in
// which every state in between deletes less than intended, never more: a digest is recorded
// before its mark, and a mark goes before its last digest. A digest without a mark deletes
// nothing. Every write returns false when the profile could not be written; the writes after
// it are then left undone.

#include <QByteArray>
#include <QList>

class ProfileStore;

class IslandMarks {
public:
    explicit IslandMarks(ProfileStore& profile) : m_profile(profile) {}

    bool isMarked(const QByteArray& id) const;
    // Digests (lowercase hex MD5) of the files published under id; empty when none is
    // recorded.
    QList<QByteArray> digests(const QByteArray& id) const;

    // Records that the file with this digest was published under id, then marks id.
    bool markPublished(const QByteArray& id, const QByteArray& digest);
    // The mark as older versions wrote it: every island with this id is deleted.
    bool mark(const QByteArray& id);
    bool unmark(const QByteArray& id);
    // Drops one digest; when it was the last one, the mark goes first, then the record.
    bool forget(const QByteArray& id, const QByteArray& digest);

private:
    ProfileStore& m_profile;
};
