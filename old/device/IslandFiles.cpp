#include "device/IslandFiles.h"

#include "device/DeviceFile.h"
#include "device/HighscoreCollection.h"
#include "device/TextCodec.h"
#include "scores/IslandMarks.h"
#include "scores/IslandsSource.h"
#include "ui/Profile.h"

#include <QCryptographicHash>
#include <algorithm>
#include <limits>
#include <new>
#include <set>

using namespace rapi;

namespace {

// A folder path, with its closing backslash, leaves room for at least a one-character file
// name in the handheld's 260-character paths (terminator included).
constexpr std::size_t kMaxFolderChars = MAX_PATH - 2;

IRapiDevice* DeviceOf(const CIslandsSource& source) {
    return source.Collection() ? source.Collection()->Device() : nullptr;
}

bool IsDotName(const std::u16string& name) {
    return name == u"." || name == u"..";
}

std::string HeaderText(const std::uint8_t* header, std::size_t begin, std::size_t end) {
    std::size_t stop = begin;
    while (stop < end && header[stop] != 0)
        ++stop;
    return std::string(reinterpret_cast<const char*>(header + begin), stop - begin);
}

} // namespace

QString IslandDigest(const IslandFile& island) {
    const QByteArray bytes(reinterpret_cast<const char*>(island.bytes.Data()),
                           static_cast<qsizetype>(island.bytes.Length()));
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

void ClearIslandFiles(CIslandsSource& source) {
    source.islands.clear();
    source.islands.shrink_to_fit();
}

std::int32_t IslandNumberFromPath(std::u16string_view path) {
    if (path.size() < 2)
        return -1;
    std::size_t digitsBegin = path.size();
    while (digitsBegin > 0 && path[digitsBegin - 1] >= u'0' && path[digitsBegin - 1] <= u'9')
        --digitsBegin;
    if (digitsBegin == 0 || path[digitsBegin - 1] != u'.' || digitsBegin == path.size())
        return -1;
    const std::u16string_view digits = path.substr(digitsBegin);
    std::int64_t value = 0;
    for (const char16_t c : digits) {
        value = value * 10 + (c - u'0');
        if (value > std::numeric_limits<std::int32_t>::max())
            return -1;
    }
    if (value == 0)
        return digits == u"0" ? 0 : -1;
    return static_cast<std::int32_t>(value);
}

bool ReadIslandHeader(IslandFile& island) {
    if (island.bytes.Length() < kIslandHeaderBytes)
        return false;
    std::uint8_t header[kIslandHeaderBytes];
    for (std::uint32_t i = 0; i < kIslandHeaderBytes; ++i)
        header[i] = island.bytes.Data()[i] ^ kIslandHeaderMask;
    island.name = HeaderText(header, 12, 27);
    island.text2 = HeaderText(header, 28, 91);
    return true;
}

int ReadIslandFile(CIslandsSource& source, const std::u16string& path) {
    IRapiDevice* device = DeviceOf(source);
    if (!device || path.size() >= MAX_PATH)
        return READ_OPEN_FAILED;
    const HANDLE file = OpenDeviceFile(*device, path.c_str());
    if (file == INVALID_HANDLE_VALUE)
        return READ_OPEN_FAILED;

    const std::optional<DWORD> size = ReadableFileSize(*device, file);
    if (!size) {
        CloseDeviceFile(*device, file);
        return READ_SHORT;
    }
    std::unique_ptr<IslandFile> island;
    try {
        island = std::make_unique<IslandFile>();
        island->path = path;
    } catch (const std::bad_alloc&) {
        CloseDeviceFile(*device, file);
        return READ_NO_MEMORY;
    }
    island->number = IslandNumberFromPath(path);
    if (!island->bytes.AppendZeros(*size)) {
        CloseDeviceFile(*device, file);
        return READ_NO_MEMORY;
    }
    DWORD read = 0;
    const BOOL ok = *size == 0 || device->CeReadFile(file, island->bytes.Data(), *size, &read);
    CloseDeviceFile(*device, file);
    if (!ok || read != *size)
        return READ_SHORT;
    ReadIslandHeader(*island);
    source.islands.push_back(std::move(island));
    return READ_OK;
}

int LoadIslandFolder(CIslandsSource& source, const std::string& folder) {
    source.ResetForLoad();
    ClearIslandFiles(source);
    IRapiDevice* device = DeviceOf(source);
    if (!device)
        return READ_OPEN_FAILED;

    std::u16string wideFolder = WideFromNarrow(folder);
    if (wideFolder.empty() || wideFolder.back() != u'\\')
        wideFolder += u'\\';
    if (wideFolder.size() > kMaxFolderChars)
        return READ_OPEN_FAILED; // no file of it would fit the handheld's paths

    const std::u16string pattern = wideFolder + u"*";
    DWORD count = 0;
    CE_FIND_DATA* found = nullptr;
    const BOOL searched =
        device->CeFindAllFiles(pattern.c_str(), FAF_NAME | FAF_ATTRIBUTES, &count, &found);
    if (!searched || !found) {
        if (found)
            device->CeRapiFreeBuffer(found);
        return READ_OPEN_FAILED;
    }
    for (DWORD i = 0; i < count; ++i) {
        const CE_FIND_DATA& record = found[i];
        std::size_t length = 0;
        while (length < MAX_PATH && record.cFileName[length] != u'\0')
            ++length;
        const std::u16string name(record.cFileName, length);
        if (IsDotName(name) || (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        const int result = ReadIslandFile(source, wideFolder + name);
        if (result != READ_OK) {
            ClearIslandFiles(source);
            device->CeRapiFreeBuffer(found);
            return result;
        }
        device->Pause(10);
    }
    device->CeRapiFreeBuffer(found);
    return READ_OK;
}

int DeleteMarkedIslands(CIslandsSource& source) {
    IRapiDevice* device = DeviceOf(source);
    CIslandMarks marks(source.Profile());
    std::vector<QString> digestOf;
    digestOf.reserve(source.islands.size());
    for (const auto& island : source.islands)
        digestOf.push_back(IslandDigest(*island));

    int result = 1;
    for (std::size_t i = 0; i < source.islands.size(); ++i) {
        IslandFile& island = *source.islands[i];
        if (island.text2.empty() || island.number < 1 || island.done ||
            !marks.IsMarked(island.text2))
            continue;
        // Only the very files that were published are deleted, where that is on record.
        const QStringList digests = marks.Digests(island.text2);
        if (!digests.isEmpty() && !digests.contains(digestOf[i]))
            continue;
        if (!device)
            return 0;

        const bool present =
            device->CeGetFileAttributes(island.path.c_str()) != INVALID_FILE_ATTRIBUTES;
        device->Pause(10);
        bool gone = false;
        if (present) {
            device->CeDeleteFile(island.path.c_str());
            device->Pause(10);
            gone = device->CeGetFileAttributes(island.path.c_str()) == INVALID_FILE_ATTRIBUTES;
            device->Pause(10);
        }
        if (gone)
            island.done = true;
        else
            result = 0;
        if (digests.isEmpty()) {
            if (gone)
                marks.Unmark(island.text2);
        } else if (gone || !present) {
            marks.Forget(island.text2, digestOf[i]);
        }
    }

    // A published file that is no longer in the folder was removed by hand: its digest goes.
    // Only the ids this folder holds are looked at, since another islands folder may hold the
    // files of the others.
    std::set<std::string> ids;
    for (const auto& island : source.islands)
        if (!island->text2.empty())
            ids.insert(island->text2);
    for (const std::string& id : ids) {
        for (const QString& digest : marks.Digests(id)) {
            bool stillThere = false;
            for (std::size_t i = 0; i < source.islands.size() && !stillThere; ++i)
                stillThere = !source.islands[i]->done && source.islands[i]->text2 == id &&
                             digestOf[i] == digest;
            if (!stillThere)
                marks.Forget(id, digest);
        }
    }

    source.islands.erase(std::remove_if(source.islands.begin(), source.islands.end(),
                                        [](const auto& island) { return island->done; }),
                         source.islands.end());
    return result;
}
