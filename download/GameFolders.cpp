#include "download/GameFolders.h"

#include "download/ScanContext.h"
#include "download/Statistics.h"
#include "formats/GameCatalogue.h"
#include "formats/GameFiles.h"
#include "handheld/Handheld.h"

namespace {

const QString kAllEntries = QStringLiteral("*.*");
const QString kAttachmentsKey = QStringLiteral("PMail\\Attachments");
const QString kAttachmentsValue = QStringLiteral("TopDir");

bool isDotEntry(const QString& name) {
    return name == u"." || name == u"..";
}

} // namespace

void scanProgramFolder(ScanContext& scan, const QString& folder) {
    QString prefix = folder;
    if (!prefix.isEmpty() && !prefix.endsWith(u'\\'))
        prefix += u'\\';
    const auto found = scan.handheld.list(prefix + kAllEntries, Listing::Folders);
    scan.handheld.pause();
    for (const FolderEntry& entry : found.value_or(QList<FolderEntry>())) {
        if (scan.stopping())
            break;
        if (!isDotEntry(entry.name))
            tryGameFolder(scan, prefix + entry.name);
        scan.handheld.pause();
    }
}

void scanAttachmentsFolder(ScanContext& scan) {
    QString topFolder;
    if (const auto key = scan.handheld.openKey(RegistryRoot::LocalMachine, kAttachmentsKey))
        topFolder = key->text(kAttachmentsValue).value_or(QString());
    if (!topFolder.isEmpty())
        scanProgramFolder(scan, u'\\' + topFolder + u'\\');
}

void scanStorageCards(ScanContext& scan) {
    const auto found = scan.handheld.list(u'\\' + kAllEntries, Listing::Cards);
    for (const FolderEntry& entry : found.value_or(QList<FolderEntry>())) {
        if (scan.stopping())
            break;
        if (!isDotEntry(entry.name) && entry.isStorageCard)
            scanProgramFolder(scan, u'\\' + entry.name);
        scan.handheld.pause();
    }
}

void tryGameFolder(ScanContext& scan, const QString& path) {
    for (const Announcement& announcement : scan.announcements)
        if (path.compare(announcement.text, Qt::CaseInsensitive) == 0)
            return;
    const qsizetype cut = path.lastIndexOf(u'\\');
    if (cut <= 0 || cut == path.size() - 1)
        return;
    const QString folderName = path.mid(cut + 1);
    const auto file = scan.handheld.readFile(path + u'\\' + highscoreFileName(folderName));
    if (!file)
        return;
    if (auto decoded = decodeGameData(folderName, *file, ownerLookup(scan)))
        scan.add(std::make_shared<TableSource>(folderName, std::move(decoded->table),
                                               std::move(decoded->text)));
}
