#include "handheld/ImageFiles.h"

#include "handheld/ImageFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <unordered_map>

// A folder found on the way to an entry, with the sub-folders found below it so far.
struct ImageFiles::Folder {
    Entry entry;
    std::unordered_map<QString, std::unique_ptr<Folder>> children; // by the name as asked for
    std::optional<QStringList> names;                              // every name in it, sorted
};

namespace {

constexpr QDir::Filters kEverything =
    QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;

// The segments of a handheld path; nothing when one of them could step outside its folder.
std::optional<QStringList> segmentsOf(const QString& devicePath) {
    QString path = devicePath;
    QStringList segments = path.replace(u'/', u'\\').split(u'\\', Qt::SkipEmptyParts);
    for (const QString& segment : segments)
        if (segment == QLatin1String(".") || segment == QLatin1String("..") ||
            segment.contains(u':') || segment.contains(QChar(0)))
            return std::nullopt;
    return segments;
}

// Whether name matches a wildcard pattern of '*' and '?'; "*.*" matches every name.
class NamePattern {
public:
    explicit NamePattern(const QString& pattern)
        : m_all(pattern.isEmpty() || pattern == QLatin1String("*") ||
                pattern == QLatin1String("*.*")),
          m_expression(m_all ? QString() : QRegularExpression::wildcardToRegularExpression(pattern),
                       QRegularExpression::CaseInsensitiveOption) {}

    bool matches(const QString& name) const { return m_all || m_expression.match(name).hasMatch(); }

private:
    bool m_all;
    QRegularExpression m_expression;
};

} // namespace

ImageFiles::ImageFiles(const QString& filesFolder, const QStringList& storageCards)
    : m_storageCards(storageCards) {
    const QFileInfo files(filesFolder);
    if (files.isDir())
        m_root = files.canonicalFilePath();
    m_top = std::make_unique<Folder>();
    m_top->entry = Entry{m_root, QString(), true, false};
}

ImageFiles::ImageFiles() = default;
ImageFiles::~ImageFiles() = default;
ImageFiles::ImageFiles(ImageFiles&&) noexcept = default;
ImageFiles& ImageFiles::operator=(ImageFiles&&) noexcept = default;

std::optional<ImageFiles::Entry> ImageFiles::find(const QString& devicePath) {
    const auto segments = segmentsOf(devicePath);
    if (!segments || m_root.isEmpty())
        return std::nullopt;
    if (segments->isEmpty())
        return m_top->entry;
    Folder* parent = folder(*segments, segments->size() - 1);
    if (!parent)
        return std::nullopt;
    if (const auto known = parent->children.find(segments->last()); known != parent->children.end())
        return known->second->entry;
    const auto entry = child(*parent, segments->last(), segments->size() == 1);
    if (entry && entry->isFolder)
        remember(*parent, *entry);
    return entry;
}

// The folder at the first count segments, resolved one segment at a time where it was not
// resolved before; null when it is not there.
ImageFiles::Folder* ImageFiles::folder(const QStringList& segments, qsizetype count) {
    Folder* current = m_top.get();
    for (qsizetype i = 0; i < count; ++i) {
        if (const auto known = current->children.find(segments[i]);
            known != current->children.end()) {
            current = known->second.get();
            continue;
        }
        const auto entry = child(*current, segments[i], i == 0);
        if (!entry || !entry->isFolder)
            return nullptr;
        current =
            &remember(*current, Entry{entry->hostPath, segments[i], true, entry->isStorageCard});
    }
    return current;
}

ImageFiles::Folder& ImageFiles::remember(Folder& parent, const Entry& entry) {
    std::unique_ptr<Folder>& slot = parent.children[entry.name];
    if (!slot) {
        slot = std::make_unique<Folder>();
        slot->entry = entry;
    }
    return *slot;
}

std::optional<ImageFiles::Entry> ImageFiles::child(Folder& parent, const QString& name,
                                                   bool atRoot) {
    QFileInfo info(parent.entry.hostPath + u'/' + name);
    // Asked first, whether it is a link takes one look at the entry, which also answers the
    // rest for anything but a link.
    info.isSymLink();
    if (!info.exists()) {
        const QStringList& names = namesIn(parent);
        const auto it = std::find_if(names.begin(), names.end(), [&](const QString& n) {
            return n.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (it == names.end())
            return std::nullopt;
        info = QFileInfo(parent.entry.hostPath + u'/' + *it);
        return entryFor(info, *it, atRoot);
    }
    return entryFor(info, name, atRoot);
}

// Every link on the way must stay inside the image, even when a later step would come back in;
// any other step stays inside the folder that holds it.
std::optional<ImageFiles::Entry> ImageFiles::entryFor(const QFileInfo& info, const QString& name,
                                                      bool atRoot) const {
    if (info.isSymLink()) {
        const QString target = info.canonicalFilePath();
        if (target.isEmpty() || (target != m_root && !target.startsWith(m_root + u'/')))
            return std::nullopt;
    }
    const bool isFolder = info.isDir();
    if (!isFolder && !info.isFile())
        return std::nullopt;
    return Entry{info.filePath(), name, isFolder,
                 atRoot && isFolder && m_storageCards.contains(name, Qt::CaseInsensitive)};
}

const QStringList& ImageFiles::namesIn(Folder& folder) {
    if (!folder.names)
        folder.names = QDir(folder.entry.hostPath).entryList(kEverything, QDir::Name);
    return *folder.names;
}

std::optional<QList<ImageFiles::Entry>> ImageFiles::list(const QString& pattern, bool foldersOnly) {
    const qsizetype cut = std::max(pattern.lastIndexOf(u'\\'), pattern.lastIndexOf(u'/'));
    const auto segments = segmentsOf(cut < 0 ? QString() : pattern.left(cut));
    Folder* listed = segments && !m_root.isEmpty() ? folder(*segments, segments->size()) : nullptr;
    if (!listed)
        return std::nullopt;
    const bool atRoot = segments->isEmpty();
    const NamePattern names(pattern.mid(cut + 1));

    QList<Entry> entries;
    QStringList all;
    const QFileInfoList infos =
        QDir(listed->entry.hostPath).entryInfoList(kEverything, QDir::Unsorted);
    for (const QFileInfo& info : infos) {
        const QString name = info.fileName();
        all.append(name);
        if (name.size() > kMaxNameChars || !names.matches(name))
            continue;
        const auto entry = entryFor(info, name, atRoot);
        if (!entry || (foldersOnly && !entry->isFolder))
            continue;
        if (entry->isFolder)
            remember(*listed, *entry);
        entries.append(*entry);
    }
    std::sort(all.begin(), all.end());
    listed->names = all;
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const int c = a.name.compare(b.name, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    return entries;
}

std::unique_ptr<QFile> ImageFiles::open(const QString& devicePath) {
    const auto entry = find(devicePath);
    if (!entry || entry->isFolder)
        return nullptr;
    auto file = std::make_unique<QFile>(entry->hostPath);
    if (!openRegularFile(*file))
        return nullptr;
    return file;
}

bool ImageFiles::remove(const QString& devicePath) {
    const auto entry = find(devicePath);
    return entry && !entry->isFolder && QFile::remove(entry->hostPath);
}
