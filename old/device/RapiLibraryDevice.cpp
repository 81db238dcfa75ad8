#include "device/RapiLibraryDevice.h"

#include <QLibrary>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <type_traits>

using namespace rapi;

// The library's calling convention: __stdcall on Windows, the platform's default elsewhere.
#ifdef _WIN32
#define SCORVANE_RAPI_CALL __stdcall
// Declared here rather than through <windows.h>, whose macros (MAX_PATH, ERROR_SUCCESS,
// INVALID_HANDLE_VALUE, ...) would clash with the names of the rapi namespace.
extern "C" __declspec(dllimport) unsigned long __stdcall WaitForSingleObject(void* handle,
                                                                             unsigned long ms);
constexpr unsigned long kWaitObject0 = 0;
#else
#define SCORVANE_RAPI_CALL
#endif

namespace {

// Registry keys and file handles as the library declares them: pointers on Windows, 32-bit
// numbers in the open-source library. Every other argument has the same size and layout on
// both (DWORDs are 32 bits, characters are 16-bit UTF-16 units).
#ifdef _WIN32
using NativeKey = void*;
using NativeHandle = void*;
#else
using NativeKey = HKEY;
using NativeHandle = HANDLE;
#endif

// The session set-up record of CeRapiInitEx: the event and the result arrive later.
struct RapiInitInfo {
    DWORD cbSize;
    void* heRapiInit;
    HRESULT hrRapiInit;
};
static_assert(sizeof(RapiInitInfo) == (sizeof(void*) == 8 ? 24 : 12));

constexpr HRESULT kInvalidArgument = static_cast<HRESULT>(0x80070057u);

// More records than this is no answer a handheld gives for one folder (it would take some
// 600 MB); such a search counts as failed before any of its records is looked at.
constexpr DWORD kMaxSearchRecords = 1u << 20;

// Whether a record array of count records at array fits in the address space at all.
bool FitsInMemory(const CE_FIND_DATA* array, DWORD count) {
    const auto address = reinterpret_cast<std::uintptr_t>(array);
    return count <= (UINTPTR_MAX - address) / sizeof(CE_FIND_DATA);
}

struct Api {
    HRESULT(SCORVANE_RAPI_CALL* CeRapiInitEx)(RapiInitInfo*) = nullptr;
    HRESULT(SCORVANE_RAPI_CALL* CeRapiInit)() = nullptr;
    HRESULT(SCORVANE_RAPI_CALL* CeRapiUninit)() = nullptr;
    LONG(SCORVANE_RAPI_CALL* CeRegOpenKeyEx)
    (NativeKey, const WCHAR*, DWORD, DWORD, NativeKey*) = nullptr;
    LONG(SCORVANE_RAPI_CALL* CeRegQueryValueEx)
    (NativeKey, const WCHAR*, DWORD*, DWORD*, BYTE*, DWORD*) = nullptr;
    LONG(SCORVANE_RAPI_CALL* CeRegEnumValue)
    (NativeKey, DWORD, WCHAR*, DWORD*, DWORD*, DWORD*, BYTE*, DWORD*) = nullptr;
    LONG(SCORVANE_RAPI_CALL* CeRegQueryInfoKey)
    (NativeKey, WCHAR*, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*,
     FILETIME*) = nullptr;
    LONG(SCORVANE_RAPI_CALL* CeRegCloseKey)(NativeKey) = nullptr;
    NativeHandle(SCORVANE_RAPI_CALL* CeCreateFile)(const WCHAR*, DWORD, DWORD, void*, DWORD, DWORD,
                                                   NativeHandle) = nullptr;
    DWORD(SCORVANE_RAPI_CALL* CeGetFileSize)(NativeHandle, DWORD*) = nullptr;
    BOOL(SCORVANE_RAPI_CALL* CeReadFile)(NativeHandle, void*, DWORD, DWORD*, void*) = nullptr;
    BOOL(SCORVANE_RAPI_CALL* CeCloseHandle)(NativeHandle) = nullptr;
    BOOL(SCORVANE_RAPI_CALL* CeFindAllFiles)(const WCHAR*, DWORD, DWORD*, CE_FIND_DATA**) = nullptr;
    HRESULT(SCORVANE_RAPI_CALL* CeRapiFreeBuffer)(void*) = nullptr;
    DWORD(SCORVANE_RAPI_CALL* CeGetFileAttributes)(const WCHAR*) = nullptr;
    BOOL(SCORVANE_RAPI_CALL* CeDeleteFile)(const WCHAR*) = nullptr;
};

template <typename F> bool Resolve(QLibrary& file, const char* name, F& function) {
    function = reinterpret_cast<F>(file.resolve(name));
    return function != nullptr;
}

// True when every function the program calls is there.
bool ResolveAll(QLibrary& file, Api& api) {
    bool ok = true;
#ifdef _WIN32
    Resolve(file, "CeRapiInitEx", api.CeRapiInitEx); // absent from old releases
#endif
    Resolve(file, "CeRapiInit", api.CeRapiInit);
    ok = (api.CeRapiInitEx || api.CeRapiInit) && ok;
    ok = Resolve(file, "CeRapiUninit", api.CeRapiUninit) && ok;
    ok = Resolve(file, "CeRegOpenKeyEx", api.CeRegOpenKeyEx) && ok;
    ok = Resolve(file, "CeRegQueryValueEx", api.CeRegQueryValueEx) && ok;
    ok = Resolve(file, "CeRegEnumValue", api.CeRegEnumValue) && ok;
    ok = Resolve(file, "CeRegQueryInfoKey", api.CeRegQueryInfoKey) && ok;
    ok = Resolve(file, "CeRegCloseKey", api.CeRegCloseKey) && ok;
    ok = Resolve(file, "CeCreateFile", api.CeCreateFile) && ok;
    ok = Resolve(file, "CeGetFileSize", api.CeGetFileSize) && ok;
    ok = Resolve(file, "CeReadFile", api.CeReadFile) && ok;
    ok = Resolve(file, "CeCloseHandle", api.CeCloseHandle) && ok;
    ok = Resolve(file, "CeFindAllFiles", api.CeFindAllFiles) && ok;
    ok = Resolve(file, "CeRapiFreeBuffer", api.CeRapiFreeBuffer) && ok;
    ok = Resolve(file, "CeGetFileAttributes", api.CeGetFileAttributes) && ok;
    ok = Resolve(file, "CeDeleteFile", api.CeDeleteFile) && ok;
    return ok;
}

template <typename N> std::uintptr_t ToId(N native) {
    if constexpr (std::is_pointer_v<N>)
        return reinterpret_cast<std::uintptr_t>(native);
    else
        return static_cast<std::uintptr_t>(native);
}

template <typename N> N FromId(std::uintptr_t id) {
    if constexpr (std::is_pointer_v<N>)
        return reinterpret_cast<N>(id);
    else
        return static_cast<N>(id);
}

bool IsPredefinedKey(HKEY key) {
    return key >= HKEY_CLASSES_ROOT && key <= HKEY_USERS;
}

// The predefined keys are the same 32-bit values everywhere; as Windows pointers they are
// sign-extended.
NativeKey NativeRootKey(HKEY key) {
    return FromId<NativeKey>(
        static_cast<std::uintptr_t>(static_cast<std::intptr_t>(static_cast<LONG>(key))));
}

NativeHandle NativeInvalidHandle() {
    return FromId<NativeHandle>(~std::uintptr_t{0}); // all bits set, at either width
}

} // namespace

// A loaded library. It stays loaded, with its call thread, for the rest of the process and is
// shared by every device object that uses it, so an opening that outlasts its wait (or its
// device object) finishes safely and is taken over by the next one.
struct CRapiLibraryDevice::Library {
    QLibrary file;
    Api api;
    std::mutex threadMutex;
    std::shared_ptr<CallThread> callThread; // started by the first opening that needs it
};

// The thread that opens a session with CeRapiInit and then makes every call of that session.
struct CRapiLibraryDevice::CallThread {
    enum class Opening { Idle, Waiting, Answered, Refused };

    explicit CallThread(const Api& api) : api(api) {}

    static void Run(std::shared_ptr<CallThread> self) {
        std::unique_lock lock(self->mutex);
        for (;;) {
            self->changed.wait(lock, [&] { return !self->tasks.empty(); });
            std::function<void()> task = std::move(self->tasks.front());
            self->tasks.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
    }

    // Asks the library for a session. Called with the mutex held, opening set to Waiting.
    void PostOpening() {
        tasks.push_back([this] {
            const HRESULT result = api.CeRapiInit();
            bool closeAgain = false;
            {
                std::lock_guard lock(mutex);
                if (abandoned) {
                    // Nobody waits any more: a session that opened late is not used.
                    opening = Opening::Idle;
                    abandoned = false;
                    closeAgain = result == 0;
                } else {
                    opening = result == 0 ? Opening::Answered : Opening::Refused;
                }
                changed.notify_all();
            }
            if (closeAgain)
                api.CeRapiUninit();
        });
        changed.notify_all();
    }

    // Runs call on this thread and returns its result.
    template <typename F> auto Invoke(F&& call) {
        using Result = decltype(call());
        std::conditional_t<std::is_void_v<Result>, int, Result> result{};
        bool done = false;
        std::unique_lock lock(mutex);
        tasks.push_back([&] {
            if constexpr (std::is_void_v<Result>)
                call();
            else
                result = call();
            std::lock_guard doneLock(mutex);
            done = true;
            changed.notify_all();
        });
        changed.notify_all();
        changed.wait(lock, [&] { return done; });
        if constexpr (!std::is_void_v<Result>)
            return result;
    }

    const Api& api;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> tasks;
    Opening opening = Opening::Idle;
    bool abandoned = false; // the wait for the pending opening ran out
};

CRapiLibraryDevice::CRapiLibraryDevice(QStringList candidates,
                                       std::optional<rapi::DWORD> waitOverride)
    : candidates(std::move(candidates)), waitOverride(waitOverride) {}

// An opening still pending was given up when its wait ran out: the next device object of the
// same library takes it over, or it is closed again when it arrives.
CRapiLibraryDevice::~CRapiLibraryDevice() {
    EndSession();
}

QStringList CRapiLibraryDevice::PlatformLibraryNames() {
#ifdef _WIN32
    return {QStringLiteral("rapi.dll")};
#else
    return {QStringLiteral("libsynce.so.0"), QStringLiteral("librapi.so.2")};
#endif
}

DWORD CRapiLibraryDevice::EffectiveWait(DWORD requested) const {
    return waitOverride.value_or(requested);
}

QString CRapiLibraryDevice::LoadedLibrary() const {
    return library ? library->file.fileName() : QString();
}

template <typename F> auto CRapiLibraryDevice::Call(F&& call) {
    if (callThread)
        return callThread->Invoke(std::forward<F>(call));
    return call();
}

bool CRapiLibraryDevice::LoadApi() {
    if (library)
        return true;
    static auto* loadedMutex = new std::mutex;
    static auto* loadedLibraries = new std::map<QString, std::shared_ptr<Library>>;
    std::lock_guard lock(*loadedMutex);
    for (const QString& candidate : candidates) {
        if (candidate.isEmpty())
            continue;
        if (const auto it = loadedLibraries->find(candidate); it != loadedLibraries->end()) {
            library = it->second;
            return true;
        }
        auto loaded = std::make_shared<Library>();
        loaded->file.setFileName(candidate);
        // Never unmapped, not even at exit: an opening that never returned may still be inside.
        loaded->file.setLoadHints(QLibrary::PreventUnloadHint);
        if (!loaded->file.load())
            continue;
        if (ResolveAll(loaded->file, loaded->api)) {
            (*loadedLibraries)[candidate] = loaded;
            library = std::move(loaded);
            return true;
        }
        loaded->file.unload(); // nothing of it was ever called
    }
    return false;
}

bool CRapiLibraryDevice::StartSession(DWORD waitMs) {
    EndSession();
    if (!LoadApi())
        return false;
    const DWORD wait = EffectiveWait(waitMs);
    connected = library->api.CeRapiInitEx ? OpenWithEvent(wait) : OpenOnCallThread(wait);
    return connected;
}

bool CRapiLibraryDevice::OpenWithEvent([[maybe_unused]] DWORD waitMs) {
#ifdef _WIN32
    RapiInitInfo init{sizeof(RapiInitInfo), nullptr, 0};
    if (library->api.CeRapiInitEx(&init) != 0 || !init.heRapiInit)
        return false;
    // Only a signalled event counts: a wait that failed says nothing about the handheld.
    if (WaitForSingleObject(init.heRapiInit, waitMs) == kWaitObject0 && init.hrRapiInit == 0)
        return true;
    library->api.CeRapiUninit();
#endif
    return false;
}

bool CRapiLibraryDevice::OpenOnCallThread(DWORD waitMs) {
    if (!callThread) {
        std::lock_guard lock(library->threadMutex);
        if (!library->callThread) {
            auto thread = std::make_shared<CallThread>(library->api);
            try {
                std::thread(&CallThread::Run, thread).detach();
            } catch (const std::system_error&) {
                return false;
            }
            library->callThread = std::move(thread);
        }
        callThread = library->callThread;
    }
    CallThread& thread = *callThread;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    std::unique_lock lock(thread.mutex);
    if (thread.opening == CallThread::Opening::Waiting) {
        thread.abandoned = false; // an earlier opening is still pending: wait for its answer
    } else {
        thread.opening = CallThread::Opening::Waiting;
        thread.abandoned = false;
        thread.PostOpening();
    }
    if (!thread.changed.wait_until(
            lock, deadline, [&] { return thread.opening != CallThread::Opening::Waiting; })) {
        thread.abandoned = true;
        return false;
    }
    const bool answered = thread.opening == CallThread::Opening::Answered;
    thread.opening = CallThread::Opening::Idle;
    return answered;
}

void CRapiLibraryDevice::EndSession() {
    if (!connected)
        return;
    const Api& api = library->api;
    Call([&] {
        for (const auto& [id, native] : files)
            api.CeCloseHandle(FromId<NativeHandle>(native));
        for (const auto& [id, native] : keys)
            api.CeRegCloseKey(FromId<NativeKey>(native));
        for (void* buffer : searchBuffers)
            api.CeRapiFreeBuffer(buffer);
        api.CeRapiUninit();
    });
    files.clear();
    keys.clear();
    searchBuffers.clear();
    connected = false;
}

void CRapiLibraryDevice::CeRapiUninit() {
    EndSession();
}

bool CRapiLibraryDevice::FindKey(HKEY key, NativeId& native) const {
    if (!connected)
        return false;
    if (IsPredefinedKey(key)) {
        native = ToId(NativeRootKey(key));
        return true;
    }
    const auto it = keys.find(key);
    if (it == keys.end())
        return false;
    native = it->second;
    return true;
}

DWORD CRapiLibraryDevice::Issue(std::map<DWORD, NativeId>& table, NativeId native) {
    for (;;) {
        const DWORD id = nextId++;
        if (nextId >= HKEY_CLASSES_ROOT) // stay clear of the predefined keys and the sentinel
            nextId = 0x100;
        if (!keys.count(id) && !files.count(id)) {
            table[id] = native;
            return id;
        }
    }
}

LONG CRapiLibraryDevice::CeRegOpenKeyEx(HKEY key, const WCHAR* subKey, DWORD options, DWORD access,
                                        HKEY* result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    NativeId parent = 0;
    if (!FindKey(key, parent))
        return ERROR_INVALID_HANDLE;
    NativeKey opened{};
    const LONG status = Call([&] {
        return library->api.CeRegOpenKeyEx(FromId<NativeKey>(parent), subKey, options, access,
                                           &opened);
    });
    if (status != ERROR_SUCCESS)
        return status;
    *result = Issue(keys, ToId(opened));
    return ERROR_SUCCESS;
}

LONG CRapiLibraryDevice::CeRegQueryValueEx(HKEY key, const WCHAR* valueName, DWORD* reserved,
                                           DWORD* type, BYTE* data, DWORD* dataSize) {
    NativeId native = 0;
    if (!FindKey(key, native))
        return ERROR_INVALID_HANDLE;
    return Call([&] {
        return library->api.CeRegQueryValueEx(FromId<NativeKey>(native), valueName, reserved, type,
                                              data, dataSize);
    });
}

LONG CRapiLibraryDevice::CeRegEnumValue(HKEY key, DWORD index, WCHAR* valueName,
                                        DWORD* valueNameChars, DWORD* reserved, DWORD* type,
                                        BYTE* data, DWORD* dataSize) {
    NativeId native = 0;
    if (!FindKey(key, native))
        return ERROR_INVALID_HANDLE;
    return Call([&] {
        return library->api.CeRegEnumValue(FromId<NativeKey>(native), index, valueName,
                                           valueNameChars, reserved, type, data, dataSize);
    });
}

LONG CRapiLibraryDevice::CeRegQueryInfoKey(HKEY key, WCHAR* className, DWORD* classChars,
                                           DWORD* reserved, DWORD* subKeys, DWORD* maxSubKeyChars,
                                           DWORD* maxClassChars, DWORD* values,
                                           DWORD* maxValueNameChars, DWORD* maxValueBytes,
                                           DWORD* securityDescriptorBytes,
                                           FILETIME* lastWriteTime) {
    NativeId native = 0;
    if (!FindKey(key, native))
        return ERROR_INVALID_HANDLE;
    return Call([&] {
        return library->api.CeRegQueryInfoKey(FromId<NativeKey>(native), className, classChars,
                                              reserved, subKeys, maxSubKeyChars, maxClassChars,
                                              values, maxValueNameChars, maxValueBytes,
                                              securityDescriptorBytes, lastWriteTime);
    });
}

LONG CRapiLibraryDevice::CeRegCloseKey(HKEY key) {
    if (connected && IsPredefinedKey(key))
        return ERROR_SUCCESS; // never opened, nothing to close
    const auto it = keys.find(key);
    if (!connected || it == keys.end())
        return ERROR_INVALID_HANDLE;
    const NativeId native = it->second;
    keys.erase(it);
    return Call([&] { return library->api.CeRegCloseKey(FromId<NativeKey>(native)); });
}

HANDLE CRapiLibraryDevice::CeCreateFile(const WCHAR* fileName, DWORD access, DWORD shareMode,
                                        DWORD creation, DWORD flagsAndAttributes) {
    if (!connected)
        return INVALID_HANDLE_VALUE;
    const NativeHandle file = Call([&] {
        return library->api.CeCreateFile(fileName, access, shareMode, nullptr, creation,
                                         flagsAndAttributes, NativeHandle{});
    });
    if (file == NativeInvalidHandle())
        return INVALID_HANDLE_VALUE;
    return Issue(files, ToId(file));
}

DWORD CRapiLibraryDevice::CeGetFileSize(HANDLE file, DWORD* sizeHigh) {
    const auto it = files.find(file);
    if (!connected || it == files.end())
        return INVALID_FILE_SIZE;
    const NativeId native = it->second;
    return Call([&] { return library->api.CeGetFileSize(FromId<NativeHandle>(native), sizeHigh); });
}

BOOL CRapiLibraryDevice::CeReadFile(HANDLE file, void* buffer, DWORD bytesToRead,
                                    DWORD* bytesRead) {
    DWORD got = 0;
    if (!bytesRead)
        bytesRead = &got;
    *bytesRead = 0;
    const auto it = files.find(file);
    if (!connected || it == files.end() || (!buffer && bytesToRead > 0))
        return 0;
    const NativeId native = it->second;
    const BOOL ok = Call([&] {
        return library->api.CeReadFile(FromId<NativeHandle>(native), buffer, bytesToRead, bytesRead,
                                       nullptr);
    });
    if (*bytesRead > bytesToRead) // never claim more than the buffer holds
        *bytesRead = bytesToRead;
    return ok;
}

BOOL CRapiLibraryDevice::CeCloseHandle(HANDLE object) {
    const auto it = files.find(object);
    if (!connected || it == files.end())
        return 0;
    const NativeId native = it->second;
    files.erase(it);
    return Call([&] { return library->api.CeCloseHandle(FromId<NativeHandle>(native)); });
}

DWORD CRapiLibraryDevice::CeGetFileAttributes(const WCHAR* fileName) {
    if (!connected || !fileName)
        return INVALID_FILE_ATTRIBUTES;
    return Call([&] { return library->api.CeGetFileAttributes(fileName); });
}

BOOL CRapiLibraryDevice::CeDeleteFile(const WCHAR* fileName) {
    if (!connected || !fileName)
        return 0;
    return Call([&] { return library->api.CeDeleteFile(fileName); });
}

BOOL CRapiLibraryDevice::CeFindAllFiles(const WCHAR* pattern, DWORD flags, DWORD* count,
                                        CE_FIND_DATA** found) {
    if (!count || !found)
        return 0;
    *count = 0;
    *found = nullptr;
    if (!connected || !pattern)
        return 0;
    // The library may leave both untouched when it finds nothing.
    DWORD records = 0;
    CE_FIND_DATA* array = nullptr;
    const Api& api = library->api;
    const BOOL ok = Call([&] { return api.CeFindAllFiles(pattern, flags, &records, &array); });
    if (!ok || (!array && records > 0) || records > kMaxSearchRecords ||
        !FitsInMemory(array, records)) {
        if (array)
            Call([&] { return api.CeRapiFreeBuffer(array); });
        return 0;
    }
    if (!array)
        return 1; // found nothing
    for (DWORD i = 0; i < records; ++i)
        array[i].cFileName[MAX_PATH - 1] = u'\0'; // a name always ends inside its record
    searchBuffers.insert(array);
    *found = array;
    *count = records;
    return 1;
}

HRESULT CRapiLibraryDevice::CeRapiFreeBuffer(void* buffer) {
    if (!buffer)
        return 0;
    if (!searchBuffers.erase(buffer))
        return kInvalidArgument; // not ours, or already released
    return Call([&] { return library->api.CeRapiFreeBuffer(buffer); });
}

void CRapiLibraryDevice::Pause(DWORD milliseconds) {
    if (milliseconds > 0)
        QThread::msleep(milliseconds);
}
