#pragma once

#include "device/RapiDevice.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>

// The real handheld, reached through the desktop's remote API library, which is loaded at run
// time: "rapi.dll" from the desktop synchronisation software on Windows, the open-source
// library ("libsynce.so.0", older releases "librapi.so.2") elsewhere.
//
// The library is looked for at the first StartSession, trying each candidate in order; a
// candidate that does not load or lacks one of the functions the program calls is skipped.
// With no usable library every session fails, as if no handheld were connected.
//
// Where the library offers CeRapiInitEx (Windows), the session is opened as the desktop software
// intends: the call returns at once with an event that is waited on for at most waitMs. Where
// only CeRapiInit exists, that call may block for as long as the connection service takes, so
// it runs on a thread of its own, and every later call of the session runs on that same thread
// too, because the library may keep its connection per thread. When the wait runs out first,
// the thread is left to finish: a session that opens after all is closed again at once, and a
// StartSession in the meantime (of this or any other device object over the same library)
// waits for that same answer instead of asking a second time. A loaded library, and its thread,
// stay for the rest of the process.
//
// Handles given to callers are this object's own 32-bit numbers, mapped to the library's
// handles, so that a 64-bit library works behind the 32-bit handles of the interface and a
// handle that was never issued (or belongs to an ended session) never reaches the library.
// Search results are checked before they are handed out, and the ones a caller forgot to
// release are released when the session ends.
class CRapiLibraryDevice final : public IRapiDevice {
public:
    // candidates: file names or paths of the library, tried in order.
    // waitOverride: when set, replaces the wait that callers ask StartSession for.
    explicit CRapiLibraryDevice(QStringList candidates,
                                std::optional<rapi::DWORD> waitOverride = std::nullopt);
    ~CRapiLibraryDevice() override;
    CRapiLibraryDevice(const CRapiLibraryDevice&) = delete;
    CRapiLibraryDevice& operator=(const CRapiLibraryDevice&) = delete;

    // The names under which this platform's remote API library is installed.
    static QStringList PlatformLibraryNames();

    // How long StartSession(requested) waits for the handheld.
    rapi::DWORD EffectiveWait(rapi::DWORD requested) const;
    // The file of the library in use; empty until one was loaded.
    QString LoadedLibrary() const;

    bool StartSession(rapi::DWORD waitMs) override;
    void CeRapiUninit() override;

    rapi::LONG CeRegOpenKeyEx(rapi::HKEY key, const rapi::WCHAR* subKey, rapi::DWORD options,
                              rapi::DWORD access, rapi::HKEY* result) override;
    rapi::LONG CeRegQueryValueEx(rapi::HKEY key, const rapi::WCHAR* valueName,
                                 rapi::DWORD* reserved, rapi::DWORD* type, rapi::BYTE* data,
                                 rapi::DWORD* dataSize) override;
    rapi::LONG CeRegEnumValue(rapi::HKEY key, rapi::DWORD index, rapi::WCHAR* valueName,
                              rapi::DWORD* valueNameChars, rapi::DWORD* reserved, rapi::DWORD* type,
                              rapi::BYTE* data, rapi::DWORD* dataSize) override;
    rapi::LONG CeRegQueryInfoKey(rapi::HKEY key, rapi::WCHAR* className, rapi::DWORD* classChars,
                                 rapi::DWORD* reserved, rapi::DWORD* subKeys,
                                 rapi::DWORD* maxSubKeyChars, rapi::DWORD* maxClassChars,
                                 rapi::DWORD* values, rapi::DWORD* maxValueNameChars,
                                 rapi::DWORD* maxValueBytes, rapi::DWORD* securityDescriptorBytes,
                                 rapi::FILETIME* lastWriteTime) override;
    rapi::LONG CeRegCloseKey(rapi::HKEY key) override;

    rapi::HANDLE CeCreateFile(const rapi::WCHAR* fileName, rapi::DWORD access,
                              rapi::DWORD shareMode, rapi::DWORD creation,
                              rapi::DWORD flagsAndAttributes) override;
    rapi::DWORD CeGetFileSize(rapi::HANDLE file, rapi::DWORD* sizeHigh) override;
    rapi::BOOL CeReadFile(rapi::HANDLE file, void* buffer, rapi::DWORD bytesToRead,
                          rapi::DWORD* bytesRead) override;
    rapi::BOOL CeCloseHandle(rapi::HANDLE object) override;
    rapi::DWORD CeGetFileAttributes(const rapi::WCHAR* fileName) override;
    rapi::BOOL CeDeleteFile(const rapi::WCHAR* fileName) override;
    // Unlike the bare library call, *found is always set: null when nothing was returned.
    rapi::BOOL CeFindAllFiles(const rapi::WCHAR* pattern, rapi::DWORD flags, rapi::DWORD* count,
                              rapi::CE_FIND_DATA** found) override;
    rapi::HRESULT CeRapiFreeBuffer(void* buffer) override;

    void Pause(rapi::DWORD milliseconds) override;

private:
    struct Library;
    struct CallThread;
    using NativeId = std::uintptr_t; // the library's handle, whatever its width

    bool LoadApi();
    bool OpenOnCallThread(rapi::DWORD waitMs);
    bool OpenWithEvent(rapi::DWORD waitMs);
    void EndSession();
    // Runs one library call: on the session's call thread when there is one, else right here.
    template <typename F> auto Call(F&& call);

    bool FindKey(rapi::HKEY key, NativeId& native) const;
    rapi::DWORD Issue(std::map<rapi::DWORD, NativeId>& table, NativeId native);

    QStringList candidates;
    std::optional<rapi::DWORD> waitOverride;
    std::shared_ptr<Library> library;
    std::shared_ptr<CallThread> callThread;
    bool connected = false;
    std::map<rapi::DWORD, NativeId> keys;  // open registry keys
    std::map<rapi::DWORD, NativeId> files; // open files
    std::set<void*> searchBuffers;         // search results not yet released
    rapi::DWORD nextId = 0x100;
};
