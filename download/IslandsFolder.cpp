#include "download/IslandsFolder.h"

#include "formats/IslandFile.h"
#include "handheld/Handheld.h"
#include "profile/IslandMarks.h"

#include <set>

namespace {

bool isDotEntry(const QString& name) {
    return name == u"." || name == u"..";
}

Island readIsland(const QString& path, const QString& name, QByteArray bytes) {
    Island island{path, islandNumber(name), std::move(bytes), {}, {}};
    if (const std::optional<IslandHeader> header = readIslandHeader(island.bytes)) {
        island.name = header->name;
        island.id = header->id;
    }
    return island;
}

// Deletes one island's file; true when it is gone afterwards.
bool deleteFile(Handheld& handheld, const QString& path, bool& present) {
    present = handheld.exists(path);
    handheld.pause();
    if (!present)
        return false;
    handheld.remove(path);
    handheld.pause();
    const bool gone = !handheld.exists(path);
    handheld.pause();
    return gone;
}

} // namespace

std::optional<QList<Island>> readIslandsFolder(Handheld& handheld, const QString& folder) {
    QString prefix = folder;
    if (!prefix.endsWith(u'\\'))
        prefix += u'\\';
    // The folder with its backslash must leave room for a file name of one character.
    if (prefix.size() >= kMaxPathChars)
        return std::nullopt;
    const auto found = handheld.list(prefix + u'*', Listing::Files);
    if (!found)
        return std::nullopt;
    QList<Island> islands;
    for (const FolderEntry& entry : *found) {
        if (isDotEntry(entry.name) || entry.isFolder)
            continue;
        const QString path = prefix + entry.name;
        if (path.size() > kMaxPathChars)
            return std::nullopt;
        std::optional<QByteArray> bytes = handheld.readFile(path);
        if (!bytes)
            return std::nullopt;
        islands.append(readIsland(path, entry.name, std::move(*bytes)));
        handheld.pause();
    }
    return islands;
}

IslandDeletion deleteMarkedIslands(Handheld& handheld, IslandMarks& marks, QList<Island>& islands) {
    IslandDeletion outcome;
    QList<QByteArray> digestOf;
    for (const Island& island : islands)
        digestOf.append(islandDigest(island.bytes));
    QList<bool> done(islands.size(), false);

    for (qsizetype i = 0; i < islands.size(); ++i) {
        const Island& island = islands[i];
        if (island.id.isEmpty() || island.number < 1 || !marks.isMarked(island.id))
            continue;
        // Only the very files that were published are deleted, where that is on record.
        const QList<QByteArray> digests = marks.digests(island.id);
        if (!digests.isEmpty() && !digests.contains(digestOf[i]))
            continue;
        bool present = false;
        done[i] = deleteFile(handheld, island.path, present);
        if (!done[i])
            outcome.allDeleted = false;
        bool written = true;
        if (digests.isEmpty()) {
            if (done[i])
                written = marks.unmark(island.id);
        } else if (done[i] || !present) {
            written = marks.forget(island.id, digestOf[i]);
        }
        if (!written) {
            outcome.profileWriteFailed = true;
            break;
        }
    }

    // A published file that is no longer in the folder was removed by hand: its digest goes.
    std::set<QByteArray> ids;
    for (const Island& island : islands)
        if (!island.id.isEmpty())
            ids.insert(island.id);
    for (const QByteArray& id : ids) {
        if (outcome.profileWriteFailed)
            break;
        for (const QByteArray& digest : marks.digests(id)) {
            bool stillThere = false;
            for (qsizetype i = 0; i < islands.size() && !stillThere; ++i)
                stillThere = !done[i] && islands[i].id == id && digestOf[i] == digest;
            if (!stillThere && !marks.forget(id, digest)) {
                outcome.profileWriteFailed = true;
                break;
            }
        }
    }

    qsizetype kept = 0;
    for (qsizetype i = 0; i < islands.size(); ++i)
        if (!done[i])
            islands[kept++] = std::move(islands[i]);
    islands.resize(kept);
    return outcome;
}
