#pragma once

// The handheld's file system as a device image keeps it: the folder files/, where
// \Storage\x.dat is files/Storage/x.dat.
//
// Names match without regard to case (a name as written is taken first). No handheld path
// reaches outside files/: "." and ".." segments, drive letters and links that lead outside
// (or nowhere, or in a loop) are refused like missing entries, and listings leave them out,
// as they leave out whatever is neither a folder nor a regular file.
//
// Each folder is resolved once and remembered for the life of the object (a session), so that
// reading a file costs one look at the file itself; a listing remembers the folders it found.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QFile;
class QFileInfo;

class ImageFiles {
public:
    struct Entry {
        QString hostPath; // as walked: a link stays a link
        QString name;     // as on disk
        bool isFolder = false;
        bool isStorageCard = false; // a top folder named in storageCards
    };

    // Nothing is found in a folder that is not there.
    ImageFiles();
    ImageFiles(const QString& filesFolder, const QStringList& storageCards);
    ~ImageFiles();
    ImageFiles(ImageFiles&&) noexcept;
    ImageFiles& operator=(ImageFiles&&) noexcept;

    // What stands at a handheld path ("\Storage\Program Files"; "\" is the top folder).
    std::optional<Entry> find(const QString& devicePath);
    // The entries matching pattern ("\Storage\*.*"), ordered by name without regard to case;
    // folders only when foldersOnly. Nothing when the folder is not there.
    std::optional<QList<Entry>> list(const QString& pattern, bool foldersOnly);
    // The regular file at a handheld path, opened for reading; null when there is none.
    std::unique_ptr<QFile> open(const QString& devicePath);
    // Deletes the file at a handheld path (never a folder); true when it was deleted.
    bool remove(const QString& devicePath);

    // Names longer than this do not fit in a handheld's path and are never listed.
    static constexpr qsizetype kMaxNameChars = 259;

private:
    struct Folder;

    Folder* folder(const QStringList& segments, qsizetype count);
    std::optional<Entry> child(Folder& parent, const QString& name, bool atRoot);
    std::optional<Entry> entryFor(const QFileInfo& info, const QString& name, bool atRoot) const;
    Folder& remember(Folder& parent, const Entry& entry);
    const QStringList& namesIn(Folder& folder);

    QString m_root; // canonical path of files/; empty when there is none
    QStringList m_storageCards;
    std::unique_ptr<Folder> m_top;
};
