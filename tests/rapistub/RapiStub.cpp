// A stand-in for the desktop's remote API library, for the tests of the backend that loads that
// library at run time. It exports the remote API's functions with C linkage and the open-source
// library's types, serves a device image through the image backend (registry values come as
// bytes: the program reads no types), and can be told to misbehave in the ways a real library
// or connection does.
#include "RapiStub.h"

#include "handheld/ImageHandheld.h"
#include "handheld/RapiLibrary.h"
#include "handheld/RapiTypes.h"

#include <array>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

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
// Keys and file handles are numbers here, pointers on Windows.
using HandleBits = std::uintptr_t;
const auto bitsOf = [](HANDLE handle) { return HandleBits(handle); };
const auto handleOf = [](HandleBits bits) { return HANDLE(bits); };
const auto text = [](const WCHAR* wide) { return QString::fromUtf16(wide); };
const auto attributesOf = [](const FolderEntry& e) {
    return e.isFolder ? FILE_ATTRIBUTE_DIRECTORY | (e.isStorageCard ? FILE_ATTRIBUTE_TEMPORARY : 0)
                      : FILE_ATTRIBUTE_ARCHIVE;
};

struct Stub {
    std::mutex mutex;
    std::condition_variable changed;
    QString imageFolder = qEnvironmentVariable("SCORVANE_RAPISTUB_IMAGE");
    std::array<std::uint32_t, RAPISTUB_SETTINGS> settings{};
    RapiStubCounters counters{};

    std::unique_ptr<ImageHandheld> image;         // serves the open session
    std::optional<std::thread::id> sessionThread; // none: a session by CeRapiInitEx serves all
    // The record of an opening by CeRapiInitEx that has not answered yet; the caller may give
    // up on it with CeRapiUninit (nulling it here), after which it must not be touched.
    std::shared_ptr<RapiInitInfo*> pending;
    std::map<HandleBits, std::unique_ptr<RegistryKey>> keys;
    std::map<HandleBits, QByteArray> files;                  // what is left to read
    std::map<void*, std::vector<CE_FIND_DATA>> foundRecords; // handed out, not released
    HandleBits nextHandle = 0x100;

    // The image for a registry or file call, null (and counted) when no session is open.
    ImageHandheld* enter() {
        if (!image || (sessionThread && std::this_thread::get_id() != *sessionThread))
            ++counters.misuses;
        return image.get();
    }
    RegistryKey* key(HKEY h) { return keys.contains(bitsOf(h)) ? keys[bitsOf(h)].get() : nullptr; }
    QByteArray* file(HANDLE h) { return files.contains(bitsOf(h)) ? &files[bitsOf(h)] : nullptr; }
    DWORD faultOr(int setting, DWORD real) { return settings[setting] ? settings[setting] : real; }

    void endSession() {
        counters.misuses += int(keys.size() + files.size() + foundRecords.size());
        keys.clear();
        files.clear();
        image.reset();
        --counters.liveSessions;
    }
};

// Never destroyed: a CeRapiInit that never returned may still wait on it at exit.
Stub& theStub() {
    static auto* stub = new Stub;
    return *stub;
}

} // namespace

#define RAPISTUB_LOCK                                                                              \
    Stub& s = theStub();                                                                           \
    std::lock_guard lock(s.mutex)
// A registry or file call: the image is null when no session is open.
#define RAPISTUB_ENTER                                                                             \
    RAPISTUB_LOCK;                                                                                 \
    [[maybe_unused]] ImageHandheld* image = s.enter()

// Opens a session once the test lets the opening answer.
static HRESULT openSession(Stub& s, std::unique_lock<std::mutex>& lock) {
    ++s.counters.initCalls;
    s.changed.notify_all();
    const auto& session = s.settings[RAPISTUB_SESSION];
    s.changed.wait(lock, [&] { return session != RAPISTUB_HOLD; });
    auto image = std::make_unique<ImageHandheld>(s.imageFolder);
    const bool opened =
        session != RAPISTUB_FAIL && !s.image && image->connect(std::chrono::milliseconds(0));
    if (opened) {
        s.image = std::move(image);
        s.sessionThread = std::this_thread::get_id();
        ++s.counters.liveSessions;
    }
    ++s.counters.initReturns;
    s.changed.notify_all();
    return opened ? 0 : kFail;
}

RAPISTUB_API HRESULT RAPI_CALL CeRapiInit() {
    Stub& s = theStub();
    std::unique_lock lock(s.mutex);
    return openSession(s, lock);
}

#ifdef _WIN32
// The desktop library's way of opening: it returns at once, and the result arrives in the record
// before its event is signalled.
RAPISTUB_API HRESULT RAPI_CALL CeRapiInitEx(RapiInitInfo* info) {
    if (!info || info->cbSize != sizeof(RapiInitInfo))
        return kFail;
    info->heRapiInit = CreateEventW(nullptr, 1, 0, nullptr);
    info->hrRapiInit = kFail;
    auto pending = std::make_shared<RapiInitInfo*>(info);
    {
        RAPISTUB_LOCK;
        s.pending = pending;
    }
    std::thread([pending] {
        Stub& s = theStub();
        std::unique_lock lock(s.mutex);
        const HRESULT result = openSession(s, lock);
        if (!*pending) { // abandoned
            if (result == 0)
                s.endSession();
            return;
        }
        s.sessionThread.reset();
        (*pending)->hrRapiInit = result;
        SetEvent((*pending)->heRapiInit);
        if (result == 0) // a refused opening still takes its CeRapiUninit
            s.pending.reset();
    }).detach();
    return 0;
}
#endif

RAPISTUB_API HRESULT RAPI_CALL CeRapiUninit() {
    RAPISTUB_LOCK;
    ++s.counters.uninitCalls;
    if (s.pending) // abandoned: its record is not touched again
        *std::exchange(s.pending, nullptr) = nullptr;
    else if (s.enter())
        s.endSession();
    s.changed.notify_all();
    return 0;
}

RAPISTUB_API LONG RAPI_CALL CeRegOpenKeyEx(HKEY root, const WCHAR* path, DWORD, DWORD,
                                           HKEY* result) {
    RAPISTUB_ENTER;
    // A predefined key's 32-bit value (sign-extended where keys are pointers).
    const auto rootKey = static_cast<DWORD>(bitsOf(root));
    const bool user = rootKey == kCurrentUser;
    auto key = image && (user || rootKey == kLocalMachine)
                   ? image->openKey(user ? RegistryRoot::CurrentUser : RegistryRoot::LocalMachine,
                                    text(path))
                   : nullptr;
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    *result = handleOf(s.nextHandle++);
    s.keys[bitsOf(*result)] = std::move(key);
    return ERROR_SUCCESS;
}

RAPISTUB_API LONG RAPI_CALL CeRegQueryValueEx(HKEY key, const WCHAR* name, DWORD*, DWORD* type,
                                              BYTE* data, DWORD* size) {
    RAPISTUB_ENTER;
    RegistryKey* opened = s.key(key);
    const auto value =
        opened ? opened->bytes(text(name), std::numeric_limits<qsizetype>::max()) : std::nullopt;
    if (!value)
        return opened ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_HANDLE;
    const auto length = static_cast<DWORD>(value->size());
    const LONG answer = data && *size < length ? ERROR_MORE_DATA : ERROR_SUCCESS;
    if (data && answer == ERROR_SUCCESS)
        std::memcpy(data, value->data(), length);
    *type = REG_BINARY;
    *size = data ? length : s.faultOr(RAPISTUB_VALUE_SIZE, length);
    return answer;
}

#ifndef RAPISTUB_WITHOUT_ENUM
RAPISTUB_API LONG RAPI_CALL CeRegEnumValue(HKEY key, DWORD index, WCHAR* name, DWORD* chars, DWORD*,
                                           DWORD*, BYTE*, DWORD*) {
    RAPISTUB_ENTER;
    RegistryKey* opened = s.key(key);
    const auto found = opened ? opened->valueName(int(index)) : std::nullopt;
    if (!found)
        return opened ? ERROR_NO_MORE_ITEMS : ERROR_INVALID_HANDLE;
    const auto length = static_cast<DWORD>(found->size());
    const bool fits = !s.settings[RAPISTUB_MORE_DATA] && *chars > length;
    if (fits)
        std::memcpy(name, found->utf16(), (length + 1) * sizeof(WCHAR));
    *chars = s.faultOr(RAPISTUB_MORE_DATA, length);
    return fits ? ERROR_SUCCESS : ERROR_MORE_DATA;
}
#endif

// Only the longest value name is asked for.
RAPISTUB_API LONG RAPI_CALL CeRegQueryInfoKey(HKEY key, WCHAR*, DWORD*, DWORD*, DWORD*, DWORD*,
                                              DWORD*, DWORD*, DWORD* longestName, DWORD*, DWORD*,
                                              FILETIME*) {
    RAPISTUB_ENTER;
    *longestName = s.settings[RAPISTUB_LONGEST_NAME];
    return s.key(key) && *longestName ? ERROR_SUCCESS : kFail;
}

RAPISTUB_API BOOL RAPI_CALL CeCloseHandle(HANDLE handle) {
    RAPISTUB_ENTER;
    return image && (s.files.erase(bitsOf(handle)) || s.keys.erase(bitsOf(handle)));
}

RAPISTUB_API LONG RAPI_CALL CeRegCloseKey(HKEY key) {
    return CeCloseHandle(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

RAPISTUB_API HANDLE RAPI_CALL CeCreateFile(const WCHAR* path, DWORD access, DWORD, void*,
                                           DWORD creation, DWORD, HANDLE) {
    RAPISTUB_ENTER;
    // The image is never written.
    const auto bytes = image && !(access & GENERIC_WRITE) && creation == OPEN_EXISTING
                           ? image->readFile(text(path))
                           : std::nullopt;
    if (bytes)
        s.files[s.nextHandle] = *bytes;
    return handleOf(bytes ? s.nextHandle++ : ~HandleBits{0});
}

RAPISTUB_API DWORD RAPI_CALL CeGetFileSize(HANDLE handle, DWORD* sizeHigh) {
    RAPISTUB_ENTER;
    const QByteArray* file = s.file(handle);
    *sizeHigh = 0;
    return file ? s.faultOr(RAPISTUB_FILE_SIZE, DWORD(file->size())) : INVALID_FILE_SIZE;
}

RAPISTUB_API BOOL RAPI_CALL CeReadFile(HANDLE handle, void* buffer, DWORD bytes, DWORD* read,
                                       void*) {
    RAPISTUB_ENTER;
    QByteArray* file = s.file(handle);
    *read = file ? DWORD(std::min<qsizetype>(bytes, file->size())) : 0;
    if (file) // the bytes read go
        std::memcpy(buffer, std::exchange(*file, file->sliced(*read)).constData(), *read);
    return file != nullptr;
}

RAPISTUB_API DWORD RAPI_CALL CeGetFileAttributes(const WCHAR* path) {
    RAPISTUB_ENTER;
    const auto entry = image ? image->entry(text(path)) : std::nullopt;
    return entry ? attributesOf(*entry) : INVALID_FILE_ATTRIBUTES;
}

RAPISTUB_API BOOL RAPI_CALL CeDeleteFile(const WCHAR* path) {
    RAPISTUB_ENTER;
    if (image)
        image->remove(text(path)); // never a folder
    return image && !image->exists(text(path));
}

// Results are arrays of the stand-in's own, so that a release of anything else is noticed.
RAPISTUB_API BOOL RAPI_CALL CeFindAllFiles(const WCHAR* pattern, DWORD flags, DWORD* count,
                                           CE_FIND_DATA** found) {
    RAPISTUB_ENTER;
    const Listing listing = !(flags & FAF_FOLDERS_ONLY)     ? Listing::Files
                            : (flags & FAF_ATTRIB_CHILDREN) ? Listing::Cards
                                                            : Listing::Folders;
    const auto entries = image ? image->list(text(pattern), listing) : std::nullopt;
    if (!entries)
        return 0;
    const auto listed = static_cast<DWORD>(entries->size());
    *count = listed > 0 ? s.faultOr(RAPISTUB_SEARCH_COUNT, listed) : 0;
    if (listed == 0 && s.settings[RAPISTUB_EMPTY_SEARCH])
        return 1;                                  // *found is not written
    std::vector<CE_FIND_DATA> records(listed + 1); // never empty, so never null
    for (DWORD i = 0; i < listed; ++i) {
        const QString name = entries->at(i).name.left(MAX_PATH - 1);
        records[i].dwFileAttributes = attributesOf(entries->at(i));
        std::memcpy(records[i].cFileName, name.utf16(), std::size_t(name.size()) * 2);
    }
    *found = records.data();
    s.foundRecords[records.data()] = std::move(records);
    return 1;
}

RAPISTUB_API HRESULT RAPI_CALL CeRapiFreeBuffer(void* buffer) {
    RAPISTUB_LOCK;
    if (buffer && !s.foundRecords.erase(buffer))
        ++s.counters.misuses;
    return 0;
}

// Control functions for the tests.

RAPISTUB_API void RapiStub_Reset(const char* imageFolder) {
    CeRapiUninit(); // ends any session
    RAPISTUB_LOCK;
    s.foundRecords.clear();
    s.counters = RapiStubCounters{};
    s.settings = {};
    s.changed.notify_all();
    s.imageFolder = imageFolder ? QString::fromUtf8(imageFolder)
                                : qEnvironmentVariable("SCORVANE_RAPISTUB_IMAGE");
}

RAPISTUB_API void RapiStub_Set(int setting, std::uint32_t value) {
    RAPISTUB_LOCK;
    s.settings.at(std::size_t(setting)) = value;
    s.changed.notify_all();
}

RAPISTUB_API int RapiStub_Wait(int initCalls, int timeoutMs, RapiStubCounters* counters) {
    Stub& s = theStub();
    std::unique_lock lock(s.mutex);
    const bool reached = s.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return initCalls >= 0
                   ? s.counters.initCalls >= initCalls
                   : s.counters.initCalls == s.counters.initReturns && s.counters.liveSessions == 0;
    });
    *counters = s.counters;
    return reached;
}
