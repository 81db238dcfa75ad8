#include "download/AnnouncedSources.h"

#include "download/IslandsFolder.h"
#include "download/ScanContext.h"
#include "formats/SignedTable.h"
#include "handheld/Handheld.h"

namespace {

void loadNewHighscores(ScanContext& scan, const QString& path) {
    const std::optional<QByteArray> file = scan.handheld.readFile(path);
    if (!file)
        return;
    std::optional<HighscoreTable> table = parseSignedTable(*file);
    if (table && !table->records.isEmpty())
        scan.add(std::make_shared<TableSource>(QStringLiteral("NewHighscores"), std::move(*table),
                                               *file, TableSource::Kind::Announced));
}

void loadIslands(ScanContext& scan, const QString& folder) {
    std::optional<QList<Island>> islands = readIslandsFolder(scan.handheld, folder);
    if (!islands)
        return;
    ++scan.collection.islandsFoldersLoaded;
    // Once the marks could not be written, no more files are deleted in this download.
    if (!scan.profileWriteFailed &&
        deleteMarkedIslands(scan.handheld, scan.marks, *islands).profileWriteFailed)
        scan.profileWriteFailed = true;
    if (!islands->isEmpty())
        scan.add(std::make_shared<IslandsSource>(std::move(*islands)));
}

QStringView withoutClosingBackslash(const QString& path) {
    return path.endsWith(u'\\') ? QStringView(path).chopped(1) : QStringView(path);
}

} // namespace

void loadAnnouncedSources(ScanContext& scan) {
    scan.collection.islandsFoldersLoaded = 0;
    QList<QStringView> islandsFolders;
    for (const Announcement& announcement : scan.announcements) {
        if (announcement.kind == 1) {
            loadNewHighscores(scan, announcement.text);
            continue;
        }
        if (announcement.kind != 2)
            continue;
        const QStringView folder = withoutClosingBackslash(announcement.text);
        bool seen = false;
        for (const QStringView earlier : islandsFolders)
            seen = seen || earlier.compare(folder, Qt::CaseInsensitive) == 0;
        if (seen)
            continue;
        islandsFolders.append(folder);
        loadIslands(scan, announcement.text);
    }
}
