#include "download/Scan.h"

#include "download/AnnouncedSources.h"
#include "download/GameFolders.h"
#include "download/Statistics.h"
#include "handheld/Handheld.h"

#include <algorithm>

bool scanHandheld(ScanContext& scan, const std::function<void(const QString&)>& progress) {
    const std::pair<const char16_t*, std::function<void()>> steps[] = {
        {u"Reading the announcements",
         [&] {
             Announcements read = readAnnouncements(scan.handheld);
             scan.collection.islandsAppPresent = read.islandsAppPresent;
             scan.announcements = std::move(read.list);
         }},
        {u"Searching the attachments folder", [&] { scanAttachmentsFolder(scan); }},
        {u"Searching the program folders",
         [&] {
             for (const char16_t* folder : kProgramFolders)
                 scanProgramFolder(scan, QString::fromUtf16(folder));
         }},
        {u"Searching the storage cards", [&] { scanStorageCards(scan); }},
        {u"Reading the game statistics",
         [&] {
             readSolitaireStatistics(scan);
             readPuzzleGameFile(scan);
         }},
        {u"Reading announced highscores", [&] { loadAnnouncedSources(scan); }},
    };
    for (const auto& [what, step] : steps) {
        if (progress)
            progress(QString::fromUtf16(what));
        if (scan.stopping())
            return false;
        step();
    }
    sortByTitle(scan.collection.sources);
    // What the backend has to say about its data (a part of a device image it could not read)
    // explains the rest of the scan, so it takes the place of the scan's own notice.
    if (const QString notice = scan.handheld.notice(); !notice.isEmpty())
        scan.collection.notice = notice;
    return true;
}

void sortByTitle(QList<std::shared_ptr<HighscoreSource>>& sources) {
    // Each title is made once.
    QList<std::pair<QString, std::shared_ptr<HighscoreSource>>> keyed;
    for (std::shared_ptr<HighscoreSource>& source : sources)
        keyed.append({source->title(), std::move(source)});
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return QString::compare(a.first, b.first, Qt::CaseInsensitive) < 0;
    });
    sources.clear();
    for (auto& [title, source] : keyed)
        sources.append(std::move(source));
}
