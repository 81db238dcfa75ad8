#include "FakeDevice.h"

#include <QStringList>
#include <algorithm>
#include <cstring>

using namespace rapi;

namespace {
QString FromWide(const WCHAR* text) {
    return text ? QString::fromUtf16(text) : QString();
}

QByteArray Utf16z(const QString& text) {
    QByteArray data(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    data.append(2, '\0');
    return data;
}
} // namespace

QString FakeDevice::Normalise(const QString& path) {
    const QStringList parts = path.split(u'\\', Qt::SkipEmptyParts);
    return parts.isEmpty() ? QString() : QLatin1Char('\\') + parts.join(u'\\');
}

RegistryKey FakeDevice::KeyPath(HKEY root, const QString& key) {
    RegistryKey node = registry.Root(root);
    for (const QString& part : key.split(u'\\', Qt::SkipEmptyParts))
        node = registry.ChildOrAdd(node, part);
    return node;
}

void FakeDevice::SetValue(HKEY root, const QString& key, const QString& name, DWORD type,
                          const QByteArray& data) {
    registry.SetValue(KeyPath(root, key), name, type, data);
}

void FakeDevice::SetString(HKEY root, const QString& key, const QString& name,
                           const QString& text) {
    SetValue(root, key, name, REG_SZ, Utf16z(text));
}

void FakeDevice::AddKey(HKEY root, const QString& key) {
    KeyPath(root, key);
}

void FakeDevice::AddFolder(const QString& path, DWORD extraAttributes) {
    const QString normal = Normalise(path);
    if (normal.isEmpty())
        return;
    const qsizetype cut = normal.lastIndexOf(u'\\');
    if (cut > 0)
        AddFolder(normal.left(cut));
    Entry& entry = entries[normal.toCaseFolded()];
    entry.path = normal;
    entry.attributes = FILE_ATTRIBUTE_DIRECTORY | extraAttributes;
}

void FakeDevice::AddFile(const QString& path, const QByteArray& bytes) {
    const QString normal = Normalise(path);
    const qsizetype cut = normal.lastIndexOf(u'\\');
    if (cut > 0)
        AddFolder(normal.left(cut));
    entries[normal.toCaseFolded()] = Entry{normal, FILE_ATTRIBUTE_ARCHIVE, bytes};
}

bool FakeDevice::HasFile(const QString& path) const {
    return entries.count(Normalise(path).toCaseFolded()) != 0;
}

bool FakeDevice::StartSession(DWORD) {
    if (refuseSessions)
        return false;
    ++sessionsStarted;
    return true;
}

void FakeDevice::CeRapiUninit() {
    ++sessionsEnded;
}

RegistryKey FakeDevice::Node(HKEY key) {
    if (const RegistryKey root = registry.Root(key); root != kNoRegistryKey)
        return root;
    const auto it = openKeys.find(key);
    return it == openKeys.end() ? kNoRegistryKey : it->second;
}

LONG FakeDevice::CeRegOpenKeyEx(HKEY key, const WCHAR* subKey, DWORD, DWORD, HKEY* result) {
    RegistryKey node = Node(key);
    if (node == kNoRegistryKey || !result)
        return ERROR_FILE_NOT_FOUND;
    for (const QString& part : FromWide(subKey).split(u'\\', Qt::SkipEmptyParts)) {
        node = registry.Child(node, part);
        if (node == kNoRegistryKey)
            return ERROR_FILE_NOT_FOUND;
    }
    *result = nextHandle++;
    openKeys[*result] = node;
    return ERROR_SUCCESS;
}

LONG FakeDevice::CeRegQueryValueEx(HKEY key, const WCHAR* valueName, DWORD*, DWORD* type,
                                   BYTE* data, DWORD* dataSize) {
    const RegistryKey node = Node(key);
    if (node == kNoRegistryKey)
        return ERROR_INVALID_HANDLE;
    const auto value = registry.Value(node, FromWide(valueName));
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    const auto size = static_cast<DWORD>(value->data.size());
    if (type)
        *type = value->type;
    if (data && dataSize) {
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, value->data.data(), size);
    }
    if (dataSize)
        *dataSize = !data && reportedValueBytes ? reportedValueBytes : size;
    return ERROR_SUCCESS;
}

LONG FakeDevice::CeRegEnumValue(HKEY key, DWORD index, WCHAR* valueName, DWORD* valueNameChars,
                                DWORD*, DWORD*, BYTE*, DWORD*) {
    const RegistryKey node = Node(key);
    if (node == kNoRegistryKey)
        return ERROR_INVALID_HANDLE;
    if (index >= static_cast<quint64>(registry.ValueCount(node)))
        return ERROR_NO_MORE_ITEMS;
    if (moreDataAnswers > 0) {
        --moreDataAnswers;
        *valueNameChars = moreDataLength;
        return ERROR_MORE_DATA;
    }
    const QStringView name = registry.ValueAt(node, index).name;
    const auto length = static_cast<DWORD>(name.size());
    if (*valueNameChars <= length) {
        *valueNameChars = length;
        return ERROR_MORE_DATA;
    }
    std::memcpy(valueName, name.utf16(), length * 2);
    valueName[length] = u'\0';
    *valueNameChars = length;
    return ERROR_SUCCESS;
}

LONG FakeDevice::CeRegQueryInfoKey(HKEY key, WCHAR*, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*,
                                   DWORD* values, DWORD* maxValueNameChars, DWORD*, DWORD*,
                                   FILETIME*) {
    const RegistryKey node = Node(key);
    if (node == kNoRegistryKey || failQueryInfo)
        return ERROR_INVALID_HANDLE;
    DWORD longest = 0;
    for (qsizetype i = 0; i < registry.ValueCount(node); ++i)
        longest = std::max(longest, static_cast<DWORD>(registry.ValueAt(node, i).name.size()));
    if (values)
        *values = static_cast<DWORD>(registry.ValueCount(node));
    if (maxValueNameChars)
        *maxValueNameChars = reportedMaxNameChars ? reportedMaxNameChars : longest;
    return ERROR_SUCCESS;
}

LONG FakeDevice::CeRegCloseKey(HKEY key) {
    return openKeys.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

HANDLE FakeDevice::CeCreateFile(const WCHAR* fileName, DWORD, DWORD, DWORD, DWORD) {
    const QString key = Normalise(FromWide(fileName)).toCaseFolded();
    const auto it = entries.find(key);
    if (it == entries.end() || (it->second.attributes & FILE_ATTRIBUTE_DIRECTORY))
        return INVALID_HANDLE_VALUE;
    const HANDLE handle = nextHandle++;
    openFiles[handle] = OpenFile{key, 0};
    return handle;
}

DWORD FakeDevice::CeGetFileSize(HANDLE file, DWORD* sizeHigh) {
    const auto it = openFiles.find(file);
    if (it == openFiles.end())
        return INVALID_FILE_SIZE;
    if (sizeHigh)
        *sizeHigh = 0;
    return static_cast<DWORD>(entries[it->second.key].bytes.size());
}

BOOL FakeDevice::CeReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead) {
    *bytesRead = 0;
    const auto it = openFiles.find(file);
    if (it == openFiles.end())
        return 0;
    const QByteArray& bytes = entries[it->second.key].bytes;
    qsizetype n = std::min<qsizetype>(bytesToRead, bytes.size() - it->second.offset);
    n = std::max<qsizetype>(0, n - static_cast<qsizetype>(shortReadBytes));
    std::memcpy(buffer, bytes.constData() + it->second.offset, static_cast<std::size_t>(n));
    it->second.offset += n;
    *bytesRead = static_cast<DWORD>(n);
    return 1;
}

BOOL FakeDevice::CeCloseHandle(HANDLE object) {
    return openFiles.erase(object) ? 1 : 0;
}

DWORD FakeDevice::CeGetFileAttributes(const WCHAR* fileName) {
    const QString normal = Normalise(FromWide(fileName));
    if (normal.isEmpty())
        return FILE_ATTRIBUTE_DIRECTORY;
    const auto it = entries.find(normal.toCaseFolded());
    return it == entries.end() ? INVALID_FILE_ATTRIBUTES : it->second.attributes;
}

BOOL FakeDevice::CeDeleteFile(const WCHAR* fileName) {
    const QString key = Normalise(FromWide(fileName)).toCaseFolded();
    const auto it = entries.find(key);
    if (failDeletes || it == entries.end() || (it->second.attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    deleted.push_back(it->second.path);
    if (!deleteLeavesFile)
        entries.erase(it);
    return 1;
}

BOOL FakeDevice::CeFindAllFiles(const WCHAR* pattern, DWORD flags, DWORD* count,
                                CE_FIND_DATA** found) {
    *count = 0;
    if (failSearches)
        return 0;
    const QString full = FromWide(pattern);
    const qsizetype cut = full.lastIndexOf(u'\\');
    const QString folder = Normalise(cut < 0 ? QString() : full.left(cut));
    if (!folder.isEmpty()) {
        const auto it = entries.find(folder.toCaseFolded());
        if (it == entries.end() || !(it->second.attributes & FILE_ATTRIBUTE_DIRECTORY))
            return 0;
    }
    std::vector<const Entry*> matches;
    for (const auto& [key, entry] : entries) {
        const qsizetype slash = entry.path.lastIndexOf(u'\\');
        if (entry.path.left(slash).compare(folder, Qt::CaseInsensitive) != 0)
            continue;
        if ((flags & FAF_FOLDERS_ONLY) && !(entry.attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        matches.push_back(&entry);
    }
    if (matches.empty() && emptySearchLeavesPointer)
        return 1;
    auto records = std::make_unique<CE_FIND_DATA[]>(matches.size());
    for (std::size_t i = 0; i < matches.size(); ++i) {
        records[i].dwFileAttributes = matches[i]->attributes;
        records[i].nFileSizeLow = static_cast<DWORD>(matches[i]->bytes.size());
        const QString name = matches[i]->path.mid(matches[i]->path.lastIndexOf(u'\\') + 1);
        const auto units = std::min<qsizetype>(name.size(), MAX_PATH - 1);
        std::memcpy(records[i].cFileName, name.utf16(), static_cast<std::size_t>(units) * 2);
    }
    *found = records.get();
    *count = static_cast<DWORD>(matches.size());
    buffers[records.get()] = std::move(records);
    return 1;
}

HRESULT FakeDevice::CeRapiFreeBuffer(void* buffer) {
    buffers.erase(buffer);
    return 0;
}

void FakeDevice::Pause(DWORD) {
    ++pauses;
}
