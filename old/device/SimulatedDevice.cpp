#include "device/SimulatedDevice.h"

#include "device/ImageFolder.h"
#include "device/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <cstring>

using namespace rapi;

namespace {

// A registry export larger than this is not a handheld's registry. Reading one costs up to
// about five times its size, far more for exports made of nothing but tiny keys.
constexpr qint64 kMaxRegistryFileBytes = 32 * 1024 * 1024;
constexpr qint64 kMaxSettingsFileBytes = 1024 * 1024;

QString FromWide(const WCHAR* text) {
    if (!text)
        return {};
    return QString::fromUtf16(text);
}

QStringList Segments(QString devicePath) {
    return devicePath.replace(u'/', u'\\').split(u'\\', Qt::SkipEmptyParts);
}

bool IsSafeSegment(const QString& segment) {
    return segment != QLatin1String(".") && segment != QLatin1String("..") &&
           !segment.contains(u':') && !segment.contains(QChar(0));
}

bool IsWithin(const QString& canonical, const QString& root) {
    return !canonical.isEmpty() &&
           (canonical == root || canonical.startsWith(root + QLatin1Char('/')));
}

} // namespace

CSimulatedDevice::CSimulatedDevice(QString imageFolder) : root(std::move(imageFolder)) {}

CSimulatedDevice::~CSimulatedDevice() = default;

bool CSimulatedDevice::LooksLikeImage(const QString& folder) {
    const QDir dir(folder);
    return !folder.isEmpty() && dir.exists() &&
           (QFileInfo(dir.filePath(QStringLiteral("files"))).isDir() ||
            QFileInfo(dir.filePath(QStringLiteral("registry.reg"))).isFile());
}

bool CSimulatedDevice::StartSession(DWORD /*waitMs*/) {
    CeRapiUninit();
    notices.clear();
    if (!LooksLikeImage(root))
        return false;
    const QFileInfo files(QDir(root).filePath(QStringLiteral("files")));
    filesRoot = files.isDir() ? files.canonicalFilePath() : QString();
    LoadRegistry();
    LoadSettings();
    connected = true;
    return true;
}

std::string CSimulatedDevice::SessionNotice() const {
    QStringList shown = notices;
    shown.removeAll(QString());
    return NarrowFromQString(shown.join(u'\n'));
}

void CSimulatedDevice::LoadRegistry() {
    registry = RegistryTree();
    lastKeyInfo = KeyInfo();
    QByteArray bytes;
    const ImageFileRead read = ReadImageFile(QDir(root).filePath(QStringLiteral("registry.reg")),
                                             kMaxRegistryFileBytes, bytes);
    const auto notRead = QStringLiteral("the handheld's registry was not read.");
    qsizetype refused = 0;
    if (read != ImageFileRead::Read)
        notices << ImageFileProblem(read, "registry.reg", kMaxRegistryFileBytes, notRead);
    else if (!ParseRegistryFile(bytes, registry, &refused))
        notices << QStringLiteral("The device image's registry.reg is not a registry editor "
                                  "export; ") +
                       notRead;
    else if (refused > 0)
        notices << QStringLiteral("The device image's registry.reg has %1 key(s) more than %2 "
                                  "levels deep or with names longer than %3 characters, which "
                                  "the handheld's registry cannot hold; they were left out.")
                       .arg(refused)
                       .arg(kMaxRegistryKeyLevels)
                       .arg(kMaxRegistryKeyNameChars);
}

void CSimulatedDevice::LoadSettings() {
    QByteArray text;
    const ImageFileRead read = ReadImageFile(QDir(root).filePath(QStringLiteral("device.ini")),
                                             kMaxSettingsFileBytes, text);
    notices << ImageFileProblem(read, "device.ini", kMaxSettingsFileBytes,
                                QStringLiteral("its settings were not used."));
    const ImageSettings settings = ParseImageSettings(text);
    pacing = settings.pacing;
    storageCards = settings.storageCards;
}

void CSimulatedDevice::CeRapiUninit() {
    openKeys.clear();
    openFiles.clear();
    searchResults.clear();
    connected = false;
}

std::optional<CSimulatedDevice::Resolved>
CSimulatedDevice::Resolve(const QString& devicePath) const {
    if (!connected || filesRoot.isEmpty())
        return std::nullopt;
    QString host = filesRoot;
    bool isCard = false;
    const QStringList segments = Segments(devicePath);
    for (qsizetype i = 0; i < segments.size(); ++i) {
        QString name = segments[i];
        if (!IsSafeSegment(name))
            return std::nullopt;
        QFileInfo info(host + QLatin1Char('/') + name);
        if (!info.exists()) {
            const QStringList names = QDir(host).entryList(
                QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
            const auto it = std::find_if(names.begin(), names.end(), [&](const QString& n) {
                return n.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (it == names.end())
                return std::nullopt;
            name = *it;
            info = QFileInfo(host + QLatin1Char('/') + name);
        }
        // Every link on the way must stay inside the image, even when a later step would come
        // back in; any other step stays inside the folder that holds it.
        if (info.isSymLink() && !IsWithin(info.canonicalFilePath(), filesRoot))
            return std::nullopt;
        if (i == 0)
            isCard = storageCards.contains(name, Qt::CaseInsensitive);
        host += QLatin1Char('/') + name;
    }
    const QFileInfo info(host);
    if (!info.isDir() && !info.isFile())
        return std::nullopt;
    return Resolved{host, info.isDir(), segments.size() == 1 && info.isDir() && isCard};
}

DWORD CSimulatedDevice::Attributes(const Resolved& entry) const {
    if (!entry.isFolder)
        return FILE_ATTRIBUTE_ARCHIVE;
    return FILE_ATTRIBUTE_DIRECTORY | (entry.isStorageCard ? FILE_ATTRIBUTE_TEMPORARY : 0);
}

RegistryKey CSimulatedDevice::KeyOf(HKEY key) const {
    if (!connected)
        return kNoRegistryKey;
    const auto it = openKeys.find(key);
    return it == openKeys.end() ? registry.Root(key) : it->second;
}

LONG CSimulatedDevice::CeRegOpenKeyEx(HKEY key, const WCHAR* subKey, DWORD, DWORD, HKEY* result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    RegistryKey node = KeyOf(key);
    if (node == kNoRegistryKey)
        return ERROR_INVALID_HANDLE;
    for (const QString& segment : Segments(FromWide(subKey))) {
        node = registry.Child(node, segment);
        if (node == kNoRegistryKey)
            return ERROR_FILE_NOT_FOUND;
    }
    const HKEY handle = nextHandle++;
    openKeys[handle] = node;
    *result = handle;
    return ERROR_SUCCESS;
}

LONG CSimulatedDevice::CeRegQueryValueEx(HKEY key, const WCHAR* valueName, DWORD*, DWORD* type,
                                         BYTE* data, DWORD* dataSize) {
    const RegistryKey node = KeyOf(key);
    if (node == kNoRegistryKey)
        return ERROR_INVALID_HANDLE;
    const auto value = registry.Value(node, FromWide(valueName));
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    const auto size = static_cast<DWORD>(value->data.size());
    if (type)
        *type = value->type;
    if (data) {
        if (!dataSize)
            return ERROR_INVALID_PARAMETER;
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        if (size > 0)
            std::memcpy(data, value->data.data(), size);
    }
    if (dataSize)
        *dataSize = size;
    return ERROR_SUCCESS;
}

LONG CSimulatedDevice::CeRegEnumValue(HKEY key, DWORD index, WCHAR* valueName,
                                      DWORD* valueNameChars, DWORD*, DWORD* type, BYTE* data,
                                      DWORD* dataSize) {
    const RegistryKey node = KeyOf(key);
    if (node == kNoRegistryKey)
        return ERROR_INVALID_HANDLE;
    if (index >= static_cast<quint64>(registry.ValueCount(node)))
        return ERROR_NO_MORE_ITEMS;
    if (!valueName || !valueNameChars)
        return ERROR_INVALID_PARAMETER;
    const RegistryValue value = registry.ValueAt(node, index);
    const auto length = static_cast<DWORD>(value.name.size());
    if (*valueNameChars <= length) {
        *valueNameChars = length;
        return ERROR_MORE_DATA;
    }
    std::memcpy(valueName, value.name.utf16(), length * sizeof(WCHAR));
    valueName[length] = u'\0';
    *valueNameChars = length;
    if (type)
        *type = value.type;
    if (data && dataSize) {
        const auto size = static_cast<DWORD>(value.data.size());
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        if (size > 0)
            std::memcpy(data, value.data.data(), size);
        *dataSize = size;
    }
    return ERROR_SUCCESS;
}

LONG CSimulatedDevice::CeRegQueryInfoKey(HKEY key, WCHAR*, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*,
                                         DWORD* values, DWORD* maxValueNameChars,
                                         DWORD* maxValueBytes, DWORD*, FILETIME*) {
    const RegistryKey node = KeyOf(key);
    if (node == kNoRegistryKey)
        return ERROR_INVALID_HANDLE;
    const qsizetype count = registry.ValueCount(node);
    // Enumerating a key asks for its maxima once per value; they are worked out once.
    if (lastKeyInfo.key != node) {
        lastKeyInfo = KeyInfo{node, 0, 0};
        for (qsizetype i = 0; i < count; ++i) {
            const RegistryValue value = registry.ValueAt(node, i);
            lastKeyInfo.longestName =
                std::max(lastKeyInfo.longestName, static_cast<DWORD>(value.name.size()));
            lastKeyInfo.largestData =
                std::max(lastKeyInfo.largestData, static_cast<DWORD>(value.data.size()));
        }
    }
    if (values)
        *values = static_cast<DWORD>(count);
    if (maxValueNameChars)
        *maxValueNameChars = lastKeyInfo.longestName;
    if (maxValueBytes)
        *maxValueBytes = lastKeyInfo.largestData;
    return ERROR_SUCCESS;
}

LONG CSimulatedDevice::CeRegCloseKey(HKEY key) {
    return openKeys.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

HANDLE CSimulatedDevice::CeCreateFile(const WCHAR* fileName, DWORD access, DWORD, DWORD creation,
                                      DWORD) {
    if ((access & GENERIC_WRITE) || creation != OPEN_EXISTING)
        return INVALID_HANDLE_VALUE; // the image is never written
    const auto entry = Resolve(FromWide(fileName));
    if (!entry || entry->isFolder)
        return INVALID_HANDLE_VALUE;
    auto file = std::make_unique<QFile>(entry->path);
    if (!OpenRegularFile(*file))
        return INVALID_HANDLE_VALUE;
    const HANDLE handle = nextHandle++;
    openFiles[handle] = std::move(file);
    return handle;
}

DWORD CSimulatedDevice::CeGetFileSize(HANDLE file, DWORD* sizeHigh) {
    const auto it = openFiles.find(file);
    if (it == openFiles.end())
        return INVALID_FILE_SIZE;
    const auto size = static_cast<quint64>(it->second->size());
    if (sizeHigh)
        *sizeHigh = static_cast<DWORD>(size >> 32);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL CSimulatedDevice::CeReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead) {
    if (bytesRead)
        *bytesRead = 0;
    const auto it = openFiles.find(file);
    if (it == openFiles.end() || (!buffer && bytesToRead > 0))
        return 0;
    const qint64 got = it->second->read(static_cast<char*>(buffer), bytesToRead);
    if (got < 0)
        return 0;
    if (bytesRead)
        *bytesRead = static_cast<DWORD>(got);
    return 1;
}

BOOL CSimulatedDevice::CeCloseHandle(HANDLE object) {
    return openFiles.erase(object) ? 1 : 0;
}

DWORD CSimulatedDevice::CeGetFileAttributes(const WCHAR* fileName) {
    const auto entry = Resolve(FromWide(fileName));
    return entry ? Attributes(*entry) : INVALID_FILE_ATTRIBUTES;
}

BOOL CSimulatedDevice::CeDeleteFile(const WCHAR* fileName) {
    const auto entry = Resolve(FromWide(fileName));
    if (!entry || entry->isFolder)
        return 0;
    return QFile::remove(entry->path) ? 1 : 0;
}

BOOL CSimulatedDevice::CeFindAllFiles(const WCHAR* pattern, DWORD flags, DWORD* count,
                                      CE_FIND_DATA** found) {
    if (!count || !found)
        return 0;
    *count = 0;
    const QString full = FromWide(pattern);
    const qsizetype cut = std::max(full.lastIndexOf(u'\\'), full.lastIndexOf(u'/'));
    const QString folderPath = cut < 0 ? QString() : full.left(cut);
    const QString namePattern = full.mid(cut + 1);
    const auto folder = Resolve(folderPath);
    if (!folder || !folder->isFolder)
        return 0;
    const bool atRoot = Segments(folderPath).isEmpty();

    struct Entry {
        QString name;
        Resolved resolved;
        qint64 size;
    };
    std::vector<Entry> entries;
    const QFileInfoList infos =
        QDir(folder->path)
            .entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                           QDir::Unsorted);
    for (const QFileInfo& info : infos) {
        const QString name = info.fileName();
        if (name.size() >= static_cast<qsizetype>(MAX_PATH) || !MatchesPattern(name, namePattern))
            continue;
        // Links that lead outside the image are absent, like every other access to them; so
        // are broken and looping links, and whatever is neither a folder nor a regular file.
        if (info.isSymLink() && !IsWithin(info.canonicalFilePath(), filesRoot))
            continue;
        if (!info.isDir() && !info.isFile())
            continue;
        if ((flags & FAF_FOLDERS_ONLY) && !info.isDir())
            continue;
        const bool card =
            atRoot && info.isDir() && storageCards.contains(name, Qt::CaseInsensitive);
        entries.push_back(
            {name, Resolved{info.filePath(), info.isDir(), card}, info.isFile() ? info.size() : 0});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const int c = a.name.compare(b.name, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.name < b.name;
    });

    auto records = std::make_unique<CE_FIND_DATA[]>(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        CE_FIND_DATA& record = records[i];
        record.dwFileAttributes = Attributes(entries[i].resolved);
        const auto size = static_cast<quint64>(entries[i].size);
        record.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        record.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
        const QString& name = entries[i].name;
        std::memcpy(record.cFileName, name.utf16(), static_cast<std::size_t>(name.size()) * 2);
    }
    *found = records.get();
    *count = static_cast<DWORD>(entries.size());
    searchResults[records.get()] = std::move(records);
    return 1;
}

HRESULT CSimulatedDevice::CeRapiFreeBuffer(void* buffer) {
    searchResults.erase(buffer);
    return 0;
}

void CSimulatedDevice::Pause(DWORD milliseconds) {
    if (pacing && milliseconds > 0)
        QThread::msleep(milliseconds);
}
