#include "handheld/ImageHandheld.h"

#include "handheld/ImageFolder.h"
#include "handheld/RegistryFile.h"
#include "handheld/Utf16Text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QtEndian>

namespace {

// A key of the image's registry. It answers nothing once its session has ended.
class ImageRegistryKey final : public RegistryKey {
public:
    ImageRegistryKey(std::weak_ptr<const RegistryTree> tree, RegistryTree::Key key)
        : m_tree(std::move(tree)), m_key(key) {}

    std::optional<QString> text(const QString& name) override {
        const auto data = bytes(name, kMaxValueBytes);
        return data ? std::optional(utf16Text(*data)) : std::nullopt;
    }

    std::optional<quint32> number(const QString& name) override {
        auto data = bytes(name, sizeof(quint32));
        if (!data)
            return std::nullopt;
        data->resize(sizeof(quint32), '\0');
        return qFromLittleEndian<quint32>(data->constData());
    }

    std::optional<QByteArray> bytes(const QString& name, qsizetype maxBytes) override {
        const auto tree = m_tree.lock();
        const auto value = tree ? tree->value(m_key, name) : std::nullopt;
        if (!value || value->data.size() > maxBytes)
            return std::nullopt;
        return value->data.toByteArray();
    }

    std::optional<QString> valueName(int index) override {
        const auto tree = m_tree.lock();
        if (!tree || index < 0 || index >= tree->valueCount(m_key))
            return std::nullopt;
        const QStringView valueName = tree->valueAt(m_key, index).name;
        if (valueName.size() > kMaxNameChars)
            return std::nullopt;
        return valueName.toString();
    }

private:
    std::weak_ptr<const RegistryTree> m_tree;
    RegistryTree::Key m_key;
};

} // namespace

ImageHandheld::ImageHandheld(QString folder) : m_folder(std::move(folder)) {}

ImageHandheld::~ImageHandheld() = default;

bool ImageHandheld::looksLikeImage(const QString& folder) {
    const QDir dir(folder);
    return !folder.isEmpty() && dir.exists() &&
           (QFileInfo(dir.filePath(QStringLiteral("files"))).isDir() ||
            QFileInfo(dir.filePath(QStringLiteral("registry.reg"))).isFile());
}

bool ImageHandheld::connect(std::chrono::milliseconds, std::stop_token stop) {
    disconnect();
    m_notices.clear();
    if (stop.stop_requested() || !looksLikeImage(m_folder))
        return false;
    loadRegistry();
    loadSettings();
    m_connected = true;
    return true;
}

void ImageHandheld::disconnect() {
    m_registry.reset();
    m_files = ImageFiles();
    m_connected = false;
}

QString ImageHandheld::notice() const {
    QStringList shown = m_notices;
    shown.removeAll(QString());
    return shown.join(u'\n');
}

void ImageHandheld::loadRegistry() {
    auto tree = std::make_shared<RegistryTree>();
    const ImageFileContent file = readImageFile(
        QDir(m_folder).filePath(QStringLiteral("registry.reg")), kMaxRegistryFileBytes);
    const auto notRead = QStringLiteral("the handheld's registry was not read.");
    if (file.status != ImageFileStatus::Read) {
        m_notices << imageFileProblem(file.status, "registry.reg", kMaxRegistryFileBytes, notRead);
    } else if (const RegistryFileRead read = readRegistryFile(file.bytes, *tree); !read.isExport) {
        m_notices << QStringLiteral("The device image's registry.reg is not a registry editor "
                                    "export; ") +
                         notRead;
    } else if (read.refusedKeys > 0) {
        m_notices << QStringLiteral("The device image's registry.reg has %1 key(s) more than %2 "
                                    "levels deep or with names longer than %3 characters, which "
                                    "the handheld's registry cannot hold; they were left out.")
                         .arg(read.refusedKeys)
                         .arg(kMaxRegistryKeyLevels)
                         .arg(kMaxRegistryKeyNameChars);
    }
    m_registry = std::move(tree);
}

void ImageHandheld::loadSettings() {
    const ImageFileContent file =
        readImageFile(QDir(m_folder).filePath(QStringLiteral("device.ini")), kMaxSettingsFileBytes);
    const auto read = readImageSettings(file.bytes);
    m_notices << imageFileProblem(read ? file.status : ImageFileStatus::Unreadable, "device.ini",
                                  kMaxSettingsFileBytes,
                                  QStringLiteral("its settings were not used."));
    const ImageSettings settings = read.value_or(ImageSettings());
    m_pacing = settings.pacing;
    m_files = ImageFiles(QDir(m_folder).filePath(QStringLiteral("files")), settings.storageCards);
}

std::unique_ptr<RegistryKey> ImageHandheld::openKey(RegistryRoot root, const QString& path) {
    if (!m_connected || !m_registry)
        return nullptr;
    RegistryTree::Key key = RegistryTree::root(root);
    QString segments = path;
    for (const QString& name : segments.replace(u'/', u'\\').split(u'\\', Qt::SkipEmptyParts)) {
        key = m_registry->child(key, name);
        if (key == RegistryTree::kNoKey)
            return nullptr;
    }
    return std::make_unique<ImageRegistryKey>(m_registry, key);
}

std::optional<QByteArray> ImageHandheld::readFile(const QString& path) {
    const auto file = m_connected ? m_files.open(path) : nullptr;
    pause();
    if (!file)
        return std::nullopt;
    const qint64 size = file->size();
    std::optional<QByteArray> bytes;
    if (size <= kMaxFileBytes)
        if (QByteArray read = file->read(size); read.size() == size)
            bytes = std::move(read);
    file->close();
    pause();
    return bytes;
}

std::optional<QByteArray> ImageHandheld::readFileStart(const QString& path, qsizetype bytes) {
    const auto file = m_connected ? m_files.open(path) : nullptr;
    if (!file)
        return std::nullopt;
    QByteArray start(std::max<qsizetype>(bytes, 0), '\0');
    if (file->read(start.data(), start.size()) < 0)
        start.fill('\0');
    return start;
}

std::optional<QList<FolderEntry>> ImageHandheld::list(const QString& pattern, Listing listing) {
    const auto entries =
        m_connected ? m_files.list(pattern, listing != Listing::Files) : std::nullopt;
    if (!entries)
        return std::nullopt;
    QList<FolderEntry> listed;
    listed.reserve(entries->size());
    for (const ImageFiles::Entry& entry : *entries)
        listed.append(
            {entry.name, entry.isFolder, listing == Listing::Cards && entry.isStorageCard});
    return listed;
}

std::optional<FolderEntry> ImageHandheld::entry(const QString& path) {
    const auto found = m_connected ? m_files.find(path) : std::nullopt;
    if (!found)
        return std::nullopt;
    return FolderEntry{found->name, found->isFolder, found->isStorageCard};
}

bool ImageHandheld::exists(const QString& path) {
    return entry(path).has_value();
}

void ImageHandheld::remove(const QString& path) {
    if (m_connected)
        m_files.remove(path);
}

void ImageHandheld::pause() {
    if (m_pacing)
        QThread::msleep(10);
}
