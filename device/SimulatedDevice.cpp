#include "device/SimulatedDevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <cstring>

using namespace rapi;

namespace {

// A registry export larger than this is not a handheld's registry.
constexpr qint64 kMaxRegistryFileBytes = 64 * 1024 * 1024;

QString FromWide(const WCHAR* text) {
    if (!text)
        return {};
    return QString::fromUtf16(text);
}

QStringList Segments(const QString& devicePath) {
    return devicePath.split(QRegularExpression(QStringLiteral("[\\\\/]")), Qt::SkipEmptyParts);
}

bool IsSafeSegment(const QString& segment) {
    return segment != QLatin1String(".") && segment != QLatin1String("..") &&
           !segment.contains(u':') && !segment.contains(QChar(0));
}

// Wildcard match of '*' and '?' without regard to case; "*.*" matches every name.
bool MatchesPattern(const QString& name, const QString& pattern) {
    if (pattern.isEmpty() || pattern == QLatin1String("*") || pattern == QLatin1String("*.*"))
        return true;
    const QString n = name.toCaseFolded();
    const QString p = pattern.toCaseFolded();
    qsizetype ni = 0, pi = 0, starP = -1, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == u'?' || p[pi] == n[ni])) {
            ++ni;
            ++pi;
        } else if (pi < p.size() && p[pi] == u'*') {
            starP = pi++;
            starN = ni;
        } else if (starP >= 0) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == u'*')
        ++pi;
    return pi == p.size();
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
    if (!LooksLikeImage(root))
        return false;
    const QDir dir(root);
    const QFileInfo files(dir.filePath(QStringLiteral("files")));
    filesRoot = files.isDir() ? files.canonicalFilePath() : QString();
    registry = RegistryTree();
    QFile reg(dir.filePath(QStringLiteral("registry.reg")));
    if (reg.size() <= kMaxRegistryFileBytes && reg.open(QIODevice::ReadOnly))
        ParseRegistryFile(reg.readAll(), registry);
    LoadSettings();
    connected = true;
    return true;
}

void CSimulatedDevice::LoadSettings() {
    pacing = true;
    storageCards.clear();
    QFile ini(QDir(root).filePath(QStringLiteral("device.ini")));
    if (ini.size() > 1024 * 1024 || !ini.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QString section;
    const QStringList lines = QString::fromUtf8(ini.readAll()).split(u'\n');
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (section == QLatin1String("device") && key == QLatin1String("storagecards")) {
            for (const QString& card : value.split(u',', Qt::SkipEmptyParts))
                if (!card.trimmed().isEmpty())
                    storageCards.append(card.trimmed());
        } else if (section == QLatin1String("link") && key == QLatin1String("pacing")) {
            pacing = value != QLatin1String("0") && value.toLower() != QLatin1String("false") &&
                     value.toLower() != QLatin1String("off");
        }
    }
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
        const QString& segment = segments[i];
        if (!IsSafeSegment(segment))
            return std::nullopt;
        QString next = host + QLatin1Char('/') + segment;
        if (!QFileInfo::exists(next)) {
            const QDir dir(host);
            const QStringList names = dir.entryList(
                QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
            const auto it = std::find_if(names.begin(), names.end(), [&](const QString& n) {
                return n.compare(segment, Qt::CaseInsensitive) == 0;
            });
            if (it == names.end())
                return std::nullopt;
            next = host + QLatin1Char('/') + *it;
        }
        // Every step must stay inside the image, so a link that leads out is refused even
        // when a later step would come back in.
        if (!IsWithin(QFileInfo(next).canonicalFilePath(), filesRoot))
            return std::nullopt;
        if (i == 0)
            isCard = std::any_of(storageCards.begin(), storageCards.end(), [&](const QString& c) {
                return c.compare(QFileInfo(next).fileName(), Qt::CaseInsensitive) == 0;
            });
        host = next;
    }
    const QFileInfo info(host);
    if (!IsWithin(info.canonicalFilePath(), filesRoot))
        return std::nullopt;
    if (!info.isDir() && !info.isFile())
        return std::nullopt;
    return Resolved{host, info.isDir(), segments.size() == 1 && info.isDir() && isCard};
}

DWORD CSimulatedDevice::Attributes(const Resolved& entry) const {
    if (!entry.isFolder)
        return FILE_ATTRIBUTE_ARCHIVE;
    return FILE_ATTRIBUTE_DIRECTORY | (entry.isStorageCard ? FILE_ATTRIBUTE_TEMPORARY : 0);
}

RegistryKeyNode* CSimulatedDevice::KeyNode(HKEY key) {
    if (!connected)
        return nullptr;
    if (RegistryKeyNode* node = registry.Root(key))
        return node;
    const auto it = openKeys.find(key);
    return it == openKeys.end() ? nullptr : it->second;
}

LONG CSimulatedDevice::CeRegOpenKeyEx(HKEY key, const WCHAR* subKey, DWORD, DWORD, HKEY* result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    RegistryKeyNode* node = KeyNode(key);
    if (!node)
        return ERROR_INVALID_HANDLE;
    for (const QString& segment : Segments(FromWide(subKey))) {
        node = node->Child(segment);
        if (!node)
            return ERROR_FILE_NOT_FOUND;
    }
    const HKEY handle = nextHandle++;
    openKeys[handle] = node;
    *result = handle;
    return ERROR_SUCCESS;
}

LONG CSimulatedDevice::CeRegQueryValueEx(HKEY key, const WCHAR* valueName, DWORD*, DWORD* type,
                                         BYTE* data, DWORD* dataSize) {
    RegistryKeyNode* node = KeyNode(key);
    if (!node)
        return ERROR_INVALID_HANDLE;
    const RegistryValue* value = node->Value(FromWide(valueName));
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
            std::memcpy(data, value->data.constData(), size);
    }
    if (dataSize)
        *dataSize = size;
    return ERROR_SUCCESS;
}

LONG CSimulatedDevice::CeRegEnumValue(HKEY key, DWORD index, WCHAR* valueName,
                                      DWORD* valueNameChars, DWORD*, DWORD* type, BYTE* data,
                                      DWORD* dataSize) {
    RegistryKeyNode* node = KeyNode(key);
    if (!node)
        return ERROR_INVALID_HANDLE;
    if (index >= node->Values().size())
        return ERROR_NO_MORE_ITEMS;
    if (!valueName || !valueNameChars)
        return ERROR_INVALID_PARAMETER;
    const RegistryValue& value = node->Values()[index];
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
        std::memcpy(data, value.data.constData(), size);
        *dataSize = size;
    }
    return ERROR_SUCCESS;
}

LONG CSimulatedDevice::CeRegQueryInfoKey(HKEY key, WCHAR*, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*,
                                         DWORD* values, DWORD* maxValueNameChars,
                                         DWORD* maxValueBytes, DWORD*, FILETIME*) {
    RegistryKeyNode* node = KeyNode(key);
    if (!node)
        return ERROR_INVALID_HANDLE;
    DWORD longestName = 0, largestData = 0;
    for (const RegistryValue& value : node->Values()) {
        longestName = std::max(longestName, static_cast<DWORD>(value.name.size()));
        largestData = std::max(largestData, static_cast<DWORD>(value.data.size()));
    }
    if (values)
        *values = static_cast<DWORD>(node->Values().size());
    if (maxValueNameChars)
        *maxValueNameChars = longestName;
    if (maxValueBytes)
        *maxValueBytes = largestData;
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
    if (!file->open(QIODevice::ReadOnly))
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
        if (!info.isDir() && !info.isFile())
            continue; // broken or looping link
        if ((flags & FAF_FOLDERS_ONLY) && !info.isDir())
            continue;
        const bool card =
            atRoot && info.isDir() &&
            std::any_of(storageCards.begin(), storageCards.end(), [&](const QString& c) {
                return c.compare(name, Qt::CaseInsensitive) == 0;
            });
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
