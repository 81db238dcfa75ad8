// A stand-in for the desktop's remote API library, for the tests of the backend that loads
// that library at run time. It exports the remote API's functions with C linkage and the
// open-source library's types, serves them from a device object (a device image folder by
// default), and can be told to misbehave in the ways a real library or connection does.
#include "RapiStub.h"

#include "device/RapiDevice.h"
#include "device/SimulatedDevice.h"

#include <QString>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#define RAPISTUB_API extern "C" __attribute__((visibility("default")))

using namespace rapi;

namespace {

constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT kInvalidArgument = static_cast<HRESULT>(0x80070057u);

struct Stub {
    std::mutex mutex;
    std::condition_variable changed;

    IRapiDevice* supplied = nullptr;
    QString imageFolder;
    std::unique_ptr<CSimulatedDevice> image;
    int mode = RAPISTUB_ANSWER;
    int releases = 0;
    int moreDataAnswers = 0;
    bool emptySearchLeavesPointer = false;
    DWORD reportedSearchCount = 0;

    RapiStubCounters counters{};
    std::set<void*> buffers;
    IRapiDevice* device = nullptr; // serves the open session
    std::thread::id sessionThread;

    void ReadEnvironment() {
        imageFolder = qEnvironmentVariable("SCORVANE_RAPISTUB_IMAGE");
        const QString session = qEnvironmentVariable("SCORVANE_RAPISTUB_SESSION");
        mode = session == QLatin1String("fail")   ? RAPISTUB_FAIL
               : session == QLatin1String("hold") ? RAPISTUB_HOLD
                                                  : RAPISTUB_ANSWER;
    }

    // The device for a registry or file call, null (and counted) when no session is open.
    IRapiDevice* Enter() {
        if (!device) {
            ++counters.callsWithoutSession;
            return nullptr;
        }
        if (std::this_thread::get_id() != sessionThread)
            ++counters.callsOffSessionThread;
        return device;
    }
};

// Never destroyed: a CeRapiInit that never returned may still wait on it at exit.
Stub& TheStub() {
    static Stub* stub = [] {
        auto* created = new Stub;
        created->ReadEnvironment();
        return created;
    }();
    return *stub;
}

} // namespace

// The remote API.

RAPISTUB_API HRESULT CeRapiInit() {
    Stub& s = TheStub();
    std::unique_lock lock(s.mutex);
    ++s.counters.initCalls;
    s.changed.notify_all();
    if (s.mode == RAPISTUB_HOLD) {
        s.changed.wait(lock, [&] { return s.releases > 0 || s.mode != RAPISTUB_HOLD; });
        if (s.mode == RAPISTUB_HOLD)
            --s.releases;
    }
    HRESULT result = kFail;
    if (s.mode != RAPISTUB_FAIL && !s.device) {
        IRapiDevice* device = s.supplied;
        if (!device && !s.imageFolder.isEmpty()) {
            s.image = std::make_unique<CSimulatedDevice>(s.imageFolder);
            device = s.image.get();
        }
        if (device && device->StartSession(0)) {
            s.device = device;
            s.sessionThread = std::this_thread::get_id();
            ++s.counters.liveSessions;
            result = 0;
        }
    }
    ++s.counters.initReturns;
    s.changed.notify_all();
    return result;
}

RAPISTUB_API HRESULT CeRapiUninit() {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    ++s.counters.uninitCalls;
    if (s.device) {
        if (std::this_thread::get_id() != s.sessionThread)
            ++s.counters.callsOffSessionThread;
        s.device->CeRapiUninit();
        s.device = nullptr;
        --s.counters.liveSessions;
    }
    s.changed.notify_all();
    return 0;
}

RAPISTUB_API LONG CeRegOpenKeyEx(HKEY key, const WCHAR* subKey, DWORD options, DWORD access,
                                 HKEY* result) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    IRapiDevice* device = s.Enter();
    return device ? device->CeRegOpenKeyEx(key, subKey, options, access, result)
                  : ERROR_INVALID_HANDLE;
}

RAPISTUB_API LONG CeRegQueryValueEx(HKEY key, const WCHAR* valueName, DWORD* reserved, DWORD* type,
                                    BYTE* data, DWORD* dataSize) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    IRapiDevice* device = s.Enter();
    return device ? device->CeRegQueryValueEx(key, valueName, reserved, type, data, dataSize)
                  : ERROR_INVALID_HANDLE;
}

#ifndef RAPISTUB_WITHOUT_ENUM
RAPISTUB_API LONG CeRegEnumValue(HKEY key, DWORD index, WCHAR* valueName, DWORD* valueNameChars,
                                 DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    IRapiDevice* device = s.Enter();
    if (!device)
        return ERROR_INVALID_HANDLE;
    ++s.counters.enumCalls;
    if (s.moreDataAnswers > 0 && valueNameChars) {
        std::vector<WCHAR> probe(32768);
        auto chars = static_cast<DWORD>(probe.size());
        if (device->CeRegEnumValue(key, index, probe.data(), &chars, nullptr, nullptr, nullptr,
                                   nullptr) == ERROR_SUCCESS) {
            --s.moreDataAnswers;
            *valueNameChars = chars;
            return ERROR_MORE_DATA;
        }
    }
    return device->CeRegEnumValue(key, index, valueName, valueNameChars, reserved, type, data,
                                  dataSize);
}
#endif

RAPISTUB_API LONG CeRegQueryInfoKey(HKEY key, WCHAR* className, DWORD* classChars, DWORD* reserved,
                                    DWORD* subKeys, DWORD* maxSubKeyChars, DWORD* maxClassChars,
                                    DWORD* values, DWORD* maxValueNameChars, DWORD* maxValueBytes,
                                    DWORD* securityDescriptorBytes, FILETIME* lastWriteTime) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    IRapiDevice* device = s.Enter();
    return device
               ? device->CeRegQueryInfoKey(key, className, classChars, reserved, subKeys,
                                           maxSubKeyChars, maxClassChars, values, maxValueNameChars,
                                           maxValueBytes, securityDescriptorBytes, lastWriteTime)
               : ERROR_INVALID_HANDLE;
}

RAPISTUB_API LONG CeRegCloseKey(HKEY key) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    IRapiDevice* device = s.Enter();
    return device ? device->CeRegCloseKey(key) : ERROR_INVALID_HANDLE;
}

RAPISTUB_API HANDLE CeCreateFile(const WCHAR* fileName, DWORD access, DWORD shareMode,
                                 void* /*security*/, DWORD creation, DWORD flagsAndAttributes,
                                 HANDLE /*templateFile*/) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    IRapiDevice* device = s.Enter();
    return device ? device->CeCreateFile(fileName, access, shareMode, creation, flagsAndAttributes)
                  : INVALID_HANDLE_VALUE;
}

RAPISTUB_API DWORD CeGetFileSize(HANDLE file, DWORD* sizeHigh) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    IRapiDevice* device = s.Enter();
    return device ? device->CeGetFileSize(file, sizeHigh) : INVALID_FILE_SIZE;
}

RAPISTUB_API BOOL CeReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead,
                             void* /*overlapped*/) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    IRapiDevice* device = s.Enter();
    return device ? device->CeReadFile(file, buffer, bytesToRead, bytesRead) : 0;
}

RAPISTUB_API BOOL CeCloseHandle(HANDLE object) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    IRapiDevice* device = s.Enter();
    return device ? device->CeCloseHandle(object) : 0;
}

RAPISTUB_API DWORD CeGetFileAttributes(const WCHAR* fileName) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    IRapiDevice* device = s.Enter();
    return device ? device->CeGetFileAttributes(fileName) : INVALID_FILE_ATTRIBUTES;
}

RAPISTUB_API BOOL CeDeleteFile(const WCHAR* fileName) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    IRapiDevice* device = s.Enter();
    return device ? device->CeDeleteFile(fileName) : 0;
}

// Results are copied into arrays of the stand-in's own, so that a release of anything else is
// noticed, and the device's array is released at once.
RAPISTUB_API BOOL CeFindAllFiles(const WCHAR* pattern, DWORD flags, DWORD* count,
                                 CE_FIND_DATA** found) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    IRapiDevice* device = s.Enter();
    if (!device || !count || !found)
        return 0;
    DWORD records = 0;
    CE_FIND_DATA* array = nullptr;
    const BOOL ok = device->CeFindAllFiles(pattern, flags, &records, &array);
    if (!ok || (records == 0 && s.emptySearchLeavesPointer)) {
        if (array)
            device->CeRapiFreeBuffer(array);
        if (ok)
            *count = 0;
        return ok; // *found is not written
    }
    auto* copy = new CE_FIND_DATA[records > 0 ? records : 1]{};
    if (records > 0)
        std::memcpy(copy, array, sizeof(CE_FIND_DATA) * records);
    device->CeRapiFreeBuffer(array);
    s.buffers.insert(copy);
    ++s.counters.liveBuffers;
    *count = records > 0 && s.reportedSearchCount ? s.reportedSearchCount : records;
    *found = copy;
    return 1;
}

RAPISTUB_API HRESULT CeRapiFreeBuffer(void* buffer) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
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

RAPISTUB_API void RapiStub_Reset() {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    if (s.device)
        s.device->CeRapiUninit();
    s.device = nullptr;
    s.supplied = nullptr;
    s.image.reset();
    for (void* buffer : s.buffers)
        delete[] static_cast<CE_FIND_DATA*>(buffer);
    s.buffers.clear();
    s.counters = RapiStubCounters{};
    s.releases = 0;
    s.moreDataAnswers = 0;
    s.emptySearchLeavesPointer = false;
    s.reportedSearchCount = 0;
    s.ReadEnvironment();
    s.changed.notify_all();
}

RAPISTUB_API void RapiStub_SetImage(const char* folder) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    s.imageFolder = QString::fromUtf8(folder ? folder : "");
}

RAPISTUB_API void RapiStub_UseDevice(void* device) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    s.supplied = static_cast<IRapiDevice*>(device);
}

RAPISTUB_API void RapiStub_SetSessionMode(int mode) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    s.mode = mode;
    s.changed.notify_all();
}

RAPISTUB_API void RapiStub_Release(int count) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    s.releases += count;
    s.changed.notify_all();
}

RAPISTUB_API void RapiStub_SetMoreDataAnswers(int count) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    s.moreDataAnswers = count;
}

RAPISTUB_API void RapiStub_SetEmptySearchLeavesPointer(int on) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    s.emptySearchLeavesPointer = on != 0;
}

RAPISTUB_API void RapiStub_SetReportedSearchCount(std::uint32_t count) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    s.reportedSearchCount = count;
}

RAPISTUB_API void RapiStub_GetCounters(RapiStubCounters* counters) {
    Stub& s = TheStub();
    std::lock_guard lock(s.mutex);
    if (counters)
        *counters = s.counters;
}

RAPISTUB_API int RapiStub_WaitForInitCalls(int count, int timeoutMs) {
    Stub& s = TheStub();
    std::unique_lock lock(s.mutex);
    return s.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return s.counters.initCalls >= count; })
               ? 1
               : 0;
}

RAPISTUB_API int RapiStub_WaitUntilIdle(int timeoutMs) {
    Stub& s = TheStub();
    std::unique_lock lock(s.mutex);
    return s.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] {
                                  return s.counters.initCalls == s.counters.initReturns &&
                                         s.counters.liveSessions == 0;
                              })
               ? 1
               : 0;
}
