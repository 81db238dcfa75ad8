// A stand-in for the desktop's remote API library, for the tests of the backend that loads that
// library at run time. It exports the remote API's functions with C linkage and the open-source
// library's types, serves a device image (its files through the image backend, its registry
// with the values' types), and can be told to misbehave in the ways a real library or
// connection does.
#include "RapiStub.h"

#include "handheld/ImageFolder.h"
#include "handheld/ImageHandheld.h"
#include "handheld/RapiLibrary.h"
#include "handheld/RapiTypes.h"
#include "handheld/RegistryFile.h"

#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <thread>

// The remote API's functions with the library's calling convention; the stub's own controls
// (RapiStub_*) with the platform's default.
#ifdef _WIN32
#define RAPISTUB_API extern "C" __declspec(dllexport)
#define RAPI_CALL __stdcall
extern "C" __declspec(dllimport) void* __stdcall CreateEventW(void*, int, int, const wchar_t*);
extern "C" __declspec(dllimport) int __stdcall SetEvent(void*);
#else
#define RAPISTUB_API extern "C" __attribute__((visibility("default")))
#define RAPI_CALL
#endif

using namespace rapi;

namespace {

constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT kInvalidArgument = static_cast<HRESULT>(0x80070057u);
// Keys and file handles are numbers here, pointers on Windows.
using HandleBits = std::uintptr_t;
#ifdef _WIN32
HandleBits bitsOf(HANDLE handle) {
    return reinterpret_cast<HandleBits>(handle);
}
HANDLE handleOf(HandleBits bits) {
    return reinterpret_cast<HANDLE>(bits);
}
#else
HandleBits bitsOf(HANDLE handle) {
    return handle;
}
HANDLE handleOf(HandleBits bits) {
    return static_cast<HANDLE>(bits);
}
#endif
const HANDLE kInvalidHandle = handleOf(~HandleBits{0});
// A predefined key's 32-bit value (sign-extended where keys are pointers).
DWORD rootValue(HKEY root) {
    return static_cast<DWORD>(bitsOf(root));
}

// The image as a library serves it: without the pauses, which are the program's to make.
class ServedImage final : public ImageHandheld {
public:
    using ImageHandheld::ImageHandheld;
    void pause() override {}
};

QString text(const WCHAR* wide) {
    return QString::fromUtf16(wide);
}

DWORD attributesOf(const FolderEntry& entry) {
    if (!entry.isFolder)
        return FILE_ATTRIBUTE_ARCHIVE;
    return FILE_ATTRIBUTE_DIRECTORY | (entry.isStorageCard ? FILE_ATTRIBUTE_TEMPORARY : 0);
}

struct OpenFile {
    QByteArray bytes;
    qsizetype position = 0;
};

// An opening by CeRapiInitEx that has not answered yet. The caller may give up on it with
// CeRapiUninit, after which its record must not be touched.
struct PendingInit {
    RapiInitInfo* info = nullptr;
    void* event = nullptr;
    bool abandoned = false;
};

struct Stub {
    std::mutex mutex;
    std::condition_variable changed;
    QString imageFolder;
    std::map<int, std::uint32_t> settings;
    RapiStubCounters counters{};

    std::unique_ptr<ServedImage> image; // serves the open session's files
    RegistryTree registry;              // and its registry
    std::thread::id sessionThread;
    std::shared_ptr<PendingInit> pending;
    bool anyThread = false; // a session opened with CeRapiInitEx serves every thread
    std::map<HandleBits, RegistryTree::Key> keys;
    std::map<HandleBits, OpenFile> files;
    std::set<void*> buffers;
    HandleBits nextHandle = 0x100;

    void reset(const char* folder) {
        abandonPendingInit();
        if (image)
            endSession();
        for (void* buffer : buffers)
            delete[] static_cast<CE_FIND_DATA*>(buffer);
        buffers.clear();
        counters = RapiStubCounters{};
        settings.clear();
        imageFolder =
            folder ? QString::fromUtf8(folder) : qEnvironmentVariable("SCORVANE_RAPISTUB_IMAGE");
        changed.notify_all();
    }

    std::uint32_t& setting(int which) { return settings[which]; }

    // The image for a registry or file call, null (and counted) when no session is open.
    ServedImage* enter() {
        if (!image) {
            ++counters.callsWithoutSession;
            return nullptr;
        }
        if (!anyThread && std::this_thread::get_id() != sessionThread)
            ++counters.callsOffSessionThread;
        return image.get();
    }

    RegistryTree::Key key(HKEY handle) {
        const auto it = enter() ? keys.find(bitsOf(handle)) : keys.end();
        return it == keys.end() ? RegistryTree::kNoKey : it->second;
    }

    OpenFile* file(HANDLE handle) {
        const auto it = enter() ? files.find(bitsOf(handle)) : files.end();
        return it == files.end() ? nullptr : &it->second;
    }

    bool abandonPendingInit() {
        if (!pending)
            return false;
        pending->abandoned = true;
        pending.reset();
        return true;
    }

    void endSession() {
        counters.leftOpenAtUninit += int(keys.size() + files.size() + buffers.size());
        keys.clear();
        files.clear();
        image.reset();
        --counters.liveSessions;
    }
};

// Never destroyed: a CeRapiInit that never returned may still wait on it at exit.
Stub& theStub() {
    static Stub* stub = [] {
        auto* created = new Stub;
        created->reset(nullptr);
        return created;
    }();
    return *stub;
}

} // namespace

#define RAPISTUB_LOCK                                                                              \
    Stub& s = theStub();                                                                           \
    std::lock_guard lock(s.mutex)

RAPISTUB_API HRESULT RAPI_CALL CeRapiInit() {
    Stub& s = theStub();
    std::unique_lock lock(s.mutex);
    ++s.counters.initCalls;
    s.changed.notify_all();
    s.changed.wait(lock, [&] {
        return s.setting(RAPISTUB_SESSION) != RAPISTUB_HOLD || s.setting(RAPISTUB_RELEASE) > 0;
    });
    if (s.setting(RAPISTUB_SESSION) == RAPISTUB_HOLD)
        --s.setting(RAPISTUB_RELEASE);
    HRESULT result = kFail;
    auto image = std::make_unique<ServedImage>(s.imageFolder);
    if (s.setting(RAPISTUB_SESSION) != RAPISTUB_FAIL && !s.image &&
        image->connect(std::chrono::milliseconds(0))) {
        s.image = std::move(image);
        s.registry = RegistryTree();
        readRegistryFile(readImageFile(s.imageFolder + QStringLiteral("/registry.reg"),
                                       ImageHandheld::kMaxRegistryFileBytes)
                             .bytes,
                         s.registry);
        s.sessionThread = std::this_thread::get_id();
        s.anyThread = false;
        s.nextHandle = 0x100;
        ++s.counters.liveSessions;
        result = 0;
    }
    ++s.counters.initReturns;
    s.changed.notify_all();
    return result;
}

#ifdef _WIN32
// The desktop library's way of opening: it returns at once, and the result arrives in the record
// before its event is signalled.
RAPISTUB_API HRESULT RAPI_CALL CeRapiInitEx(RapiInitInfo* info) {
    if (!info || info->cbSize != sizeof(RapiInitInfo))
        return kInvalidArgument;
    auto pending = std::make_shared<PendingInit>();
    pending->info = info;
    pending->event = CreateEventW(nullptr, 1, 0, nullptr);
    info->heRapiInit = pending->event;
    info->hrRapiInit = kFail;
    {
        RAPISTUB_LOCK;
        s.pending = pending;
    }
    std::thread([pending] {
        const HRESULT result = CeRapiInit();
        RAPISTUB_LOCK;
        if (pending->abandoned) {
            if (result == 0)
                s.endSession();
            return;
        }
        s.anyThread = true;
        pending->info->hrRapiInit = result;
        SetEvent(pending->event);
        s.pending.reset();
    }).detach();
    return 0;
}
#endif

RAPISTUB_API HRESULT RAPI_CALL CeRapiUninit() {
    RAPISTUB_LOCK;
    ++s.counters.uninitCalls;
    if (!s.abandonPendingInit() && s.enter())
        s.endSession();
    s.changed.notify_all();
    return 0;
}

RAPISTUB_API LONG RAPI_CALL CeRegOpenKeyEx(HKEY root, const WCHAR* path, DWORD, DWORD,
                                           HKEY* result) {
    RAPISTUB_LOCK;
    const DWORD rootKey = rootValue(root);
    if (!s.enter() || (rootKey != kCurrentUser && rootKey != kLocalMachine))
        return ERROR_INVALID_HANDLE;
    auto key = RegistryTree::root(rootKey == kCurrentUser ? RegistryRoot::CurrentUser
                                                          : RegistryRoot::LocalMachine);
    for (const QString& name : text(path).replace(u'/', u'\\').split(u'\\', Qt::SkipEmptyParts))
        key = s.registry.child(key, name);
    if (key == RegistryTree::kNoKey)
        return ERROR_FILE_NOT_FOUND;
    *result = handleOf(s.nextHandle++);
    s.keys[bitsOf(*result)] = key;
    return ERROR_SUCCESS;
}

RAPISTUB_API LONG RAPI_CALL CeRegQueryValueEx(HKEY key, const WCHAR* name, DWORD*, DWORD* type,
                                              BYTE* data, DWORD* size) {
    RAPISTUB_LOCK;
    const auto opened = s.key(key);
    const auto value = s.registry.value(opened, text(name));
    if (!value)
        return opened == RegistryTree::kNoKey ? ERROR_INVALID_HANDLE : ERROR_FILE_NOT_FOUND;
    const auto length = static_cast<DWORD>(value->data.size());
    const LONG answer = data && *size < length ? ERROR_MORE_DATA : ERROR_SUCCESS;
    if (data && answer == ERROR_SUCCESS)
        std::memcpy(data, value->data.data(), length);
    *type = value->type;
    *size = !data && s.setting(RAPISTUB_VALUE_SIZE) ? s.setting(RAPISTUB_VALUE_SIZE) : length;
    return answer;
}

#ifndef RAPISTUB_WITHOUT_ENUM
RAPISTUB_API LONG RAPI_CALL CeRegEnumValue(HKEY key, DWORD index, WCHAR* name, DWORD* chars, DWORD*,
                                           DWORD*, BYTE*, DWORD*) {
    RAPISTUB_LOCK;
    const auto opened = s.key(key);
    if (opened == RegistryTree::kNoKey)
        return ERROR_INVALID_HANDLE;
    if (index >= s.registry.valueCount(opened))
        return ERROR_NO_MORE_ITEMS;
    const QStringView found = s.registry.valueAt(opened, index).name;
    const auto length = static_cast<DWORD>(found.size());
    const bool fits = s.setting(RAPISTUB_MORE_DATA) == 0 && *chars > length;
    if (fits) {
        std::memcpy(name, found.utf16(), length * sizeof(WCHAR));
        name[length] = u'\0';
    }
    *chars = s.setting(RAPISTUB_MORE_DATA) ? s.setting(RAPISTUB_MORE_DATA) : length;
    return fits ? ERROR_SUCCESS : ERROR_MORE_DATA;
}
#endif

// Only the longest value name is asked for.
RAPISTUB_API LONG RAPI_CALL CeRegQueryInfoKey(HKEY key, WCHAR*, DWORD*, DWORD*, DWORD*, DWORD*,
                                              DWORD*, DWORD*, DWORD* longestName, DWORD*, DWORD*,
                                              FILETIME*) {
    RAPISTUB_LOCK;
    const auto opened = s.key(key);
    if (opened == RegistryTree::kNoKey || s.setting(RAPISTUB_LONGEST_NAME) == 0xFFFFFFFFu)
        return opened == RegistryTree::kNoKey ? ERROR_INVALID_HANDLE : kFail;
    DWORD longest = 0;
    for (qsizetype i = 0; i < s.registry.valueCount(opened); ++i)
        longest = std::max(longest, DWORD(s.registry.valueAt(opened, i).name.size()));
    *longestName = s.setting(RAPISTUB_LONGEST_NAME) ? s.setting(RAPISTUB_LONGEST_NAME) : longest;
    return ERROR_SUCCESS;
}

RAPISTUB_API LONG RAPI_CALL CeRegCloseKey(HKEY key) {
    RAPISTUB_LOCK;
    const bool open = s.key(key) != RegistryTree::kNoKey;
    return open && s.keys.erase(bitsOf(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

RAPISTUB_API HANDLE RAPI_CALL CeCreateFile(const WCHAR* path, DWORD access, DWORD, void*,
                                           DWORD creation, DWORD, HANDLE) {
    RAPISTUB_LOCK;
    ServedImage* image = s.enter();
    // The image is never written.
    const auto bytes = image && !(access & GENERIC_WRITE) && creation == OPEN_EXISTING
                           ? image->readFile(text(path))
                           : std::nullopt;
    if (!bytes)
        return kInvalidHandle;
    s.files[s.nextHandle] = OpenFile{*bytes, 0};
    return handleOf(s.nextHandle++);
}

RAPISTUB_API DWORD RAPI_CALL CeGetFileSize(HANDLE handle, DWORD* sizeHigh) {
    RAPISTUB_LOCK;
    const OpenFile* file = s.file(handle);
    if (!file)
        return INVALID_FILE_SIZE;
    *sizeHigh = 0;
    return s.setting(RAPISTUB_FILE_SIZE) ? s.setting(RAPISTUB_FILE_SIZE)
                                         : static_cast<DWORD>(file->bytes.size());
}

RAPISTUB_API BOOL RAPI_CALL CeReadFile(HANDLE handle, void* buffer, DWORD bytes, DWORD* read,
                                       void*) {
    RAPISTUB_LOCK;
    *read = 0;
    OpenFile* file = s.file(handle);
    if (!file)
        return 0;
    const auto count = std::min<qsizetype>(bytes, file->bytes.size() - file->position);
    std::memcpy(buffer, file->bytes.constData() + file->position, std::size_t(count));
    file->position += count;
    *read = static_cast<DWORD>(count);
    return 1;
}

RAPISTUB_API BOOL RAPI_CALL CeCloseHandle(HANDLE handle) {
    RAPISTUB_LOCK;
    return s.file(handle) && s.files.erase(bitsOf(handle)) ? 1 : 0;
}

RAPISTUB_API DWORD RAPI_CALL CeGetFileAttributes(const WCHAR* path) {
    RAPISTUB_LOCK;
    ServedImage* image = s.enter();
    const auto entry = image ? image->entry(text(path)) : std::nullopt;
    return entry ? attributesOf(*entry) : INVALID_FILE_ATTRIBUTES;
}

RAPISTUB_API BOOL RAPI_CALL CeDeleteFile(const WCHAR* path) {
    RAPISTUB_LOCK;
    ServedImage* image = s.enter();
    const auto entry = image ? image->entry(text(path)) : std::nullopt;
    if (!entry || entry->isFolder)
        return 0;
    image->remove(text(path));
    return image->exists(text(path)) ? 0 : 1;
}

// Results are arrays of the stand-in's own, so that a release of anything else is noticed.
RAPISTUB_API BOOL RAPI_CALL CeFindAllFiles(const WCHAR* pattern, DWORD flags, DWORD* count,
                                           CE_FIND_DATA** found) {
    RAPISTUB_LOCK;
    ServedImage* image = s.enter();
    const Listing listing = !(flags & FAF_FOLDERS_ONLY)     ? Listing::Files
                            : (flags & FAF_ATTRIB_CHILDREN) ? Listing::Cards
                                                            : Listing::Folders;
    const auto entries = image ? image->list(text(pattern), listing) : std::nullopt;
    if (!entries)
        return 0;
    const auto listed = static_cast<DWORD>(entries->size());
    *count =
        listed > 0 && s.setting(RAPISTUB_SEARCH_COUNT) ? s.setting(RAPISTUB_SEARCH_COUNT) : listed;
    if (listed == 0 && s.setting(RAPISTUB_EMPTY_SEARCH))
        return 1; // *found is not written
    auto* records = new CE_FIND_DATA[std::max<DWORD>(listed, 1)]{};
    for (DWORD i = 0; i < listed; ++i) {
        const FolderEntry& entry = entries->at(i);
        const QString& name = entry.name;
        records[i].dwFileAttributes = attributesOf(entry);
        std::memcpy(records[i].cFileName, name.utf16(),
                    std::size_t(std::min<qsizetype>(name.size(), MAX_PATH - 1)) * 2);
    }
    s.buffers.insert(records);
    ++s.counters.liveBuffers;
    *found = records;
    return 1;
}

RAPISTUB_API HRESULT RAPI_CALL CeRapiFreeBuffer(void* buffer) {
    RAPISTUB_LOCK;
    if (!buffer)
        return 0;
    if (!s.buffers.erase(buffer)) {
        ++s.counters.badFrees;
        return kInvalidArgument;
    }
    delete[] static_cast<CE_FIND_DATA*>(buffer);
    --s.counters.liveBuffers;
    return 0;
}

// Control functions for the tests.

RAPISTUB_API void RapiStub_Reset(const char* imageFolder) {
    RAPISTUB_LOCK;
    s.reset(imageFolder);
}

RAPISTUB_API void RapiStub_Set(int setting, std::uint32_t value) {
    RAPISTUB_LOCK;
    s.setting(setting) = value;
    s.changed.notify_all();
}

RAPISTUB_API void RapiStub_GetCounters(RapiStubCounters* counters) {
    RAPISTUB_LOCK;
    *counters = s.counters;
    counters->liveKeys = int(s.keys.size());
}

RAPISTUB_API int RapiStub_Wait(int initCalls, int timeoutMs) {
    Stub& s = theStub();
    std::unique_lock lock(s.mutex);
    return s.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return initCalls >= 0
                   ? s.counters.initCalls >= initCalls
                   : s.counters.initCalls == s.counters.initReturns && s.counters.liveSessions == 0;
    });
}
