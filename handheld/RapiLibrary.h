#pragma once

// The desktop's remote API library, loaded at run time: "rapi.dll" from the desktop
// synchronisation software on Windows, the open-source library ("libsynce.so.0", older
// releases "librapi.so.2") elsewhere.

#include "handheld/RapiTypes.h"

#include <QLibrary>
#include <QStringList>
#include <memory>
#include <mutex>

// The library's calling convention: __stdcall on Windows, the platform's default elsewhere.
#ifdef _WIN32
#define SCORVANE_RAPI_CALL __stdcall
#else
#define SCORVANE_RAPI_CALL
#endif

class RapiCallThread;

// The session set-up record of CeRapiInitEx: the event and the result arrive later.
struct RapiInitInfo {
    rapi::DWORD cbSize;
    void* heRapiInit;
    rapi::HRESULT hrRapiInit;
};

// The library's functions that the program calls.
struct RapiApi {
    rapi::HRESULT(SCORVANE_RAPI_CALL* CeRapiInitEx)(RapiInitInfo*) = nullptr; // Windows only
    rapi::HRESULT(SCORVANE_RAPI_CALL* CeRapiInit)() = nullptr;
    rapi::HRESULT(SCORVANE_RAPI_CALL* CeRapiUninit)() = nullptr;
    rapi::LONG(SCORVANE_RAPI_CALL* CeRegOpenKeyEx)(rapi::HKEY, const rapi::WCHAR*, rapi::DWORD,
                                                   rapi::DWORD, rapi::HKEY*) = nullptr;
    rapi::LONG(SCORVANE_RAPI_CALL* CeRegQueryValueEx)(rapi::HKEY, const rapi::WCHAR*, rapi::DWORD*,
                                                      rapi::DWORD*, rapi::BYTE*,
                                                      rapi::DWORD*) = nullptr;
    rapi::LONG(SCORVANE_RAPI_CALL* CeRegEnumValue)(rapi::HKEY, rapi::DWORD, rapi::WCHAR*,
                                                   rapi::DWORD*, rapi::DWORD*, rapi::DWORD*,
                                                   rapi::BYTE*, rapi::DWORD*) = nullptr;
    rapi::LONG(SCORVANE_RAPI_CALL* CeRegQueryInfoKey)(rapi::HKEY, rapi::WCHAR*, rapi::DWORD*,
                                                      rapi::DWORD*, rapi::DWORD*, rapi::DWORD*,
                                                      rapi::DWORD*, rapi::DWORD*, rapi::DWORD*,
                                                      rapi::DWORD*, rapi::DWORD*,
                                                      rapi::FILETIME*) = nullptr;
    rapi::LONG(SCORVANE_RAPI_CALL* CeRegCloseKey)(rapi::HKEY) = nullptr;
    rapi::HANDLE(SCORVANE_RAPI_CALL* CeCreateFile)(const rapi::WCHAR*, rapi::DWORD, rapi::DWORD,
                                                   void*, rapi::DWORD, rapi::DWORD,
                                                   rapi::HANDLE) = nullptr;
    rapi::DWORD(SCORVANE_RAPI_CALL* CeGetFileSize)(rapi::HANDLE, rapi::DWORD*) = nullptr;
    rapi::BOOL(SCORVANE_RAPI_CALL* CeReadFile)(rapi::HANDLE, void*, rapi::DWORD, rapi::DWORD*,
                                               void*) = nullptr;
    rapi::BOOL(SCORVANE_RAPI_CALL* CeCloseHandle)(rapi::HANDLE) = nullptr;
    rapi::BOOL(SCORVANE_RAPI_CALL* CeFindAllFiles)(const rapi::WCHAR*, rapi::DWORD, rapi::DWORD*,
                                                   rapi::CE_FIND_DATA**) = nullptr;
    rapi::HRESULT(SCORVANE_RAPI_CALL* CeRapiFreeBuffer)(void*) = nullptr;
    rapi::DWORD(SCORVANE_RAPI_CALL* CeGetFileAttributes)(const rapi::WCHAR*) = nullptr;
    rapi::BOOL(SCORVANE_RAPI_CALL* CeDeleteFile)(const rapi::WCHAR*) = nullptr;
};

// A loaded library. It is loaded once per process and stays, with its call thread, for the
// rest of the process, shared by every backend that uses it: an opening that outlasts its wait
// (or its backend) finishes safely and is taken over by the next one.
class RapiLibrary {
public:
    // The first candidate (file name or path) that loads and has every function the program
    // calls; a candidate that does not is skipped. Null when none is usable.
    static std::shared_ptr<RapiLibrary> load(const QStringList& candidates);
    // The names under which this platform's library is installed.
    static QStringList platformNames();

    const RapiApi& api() const { return m_api; }
    QString fileName() const { return m_file.fileName(); }
    // The thread that opens sessions with CeRapiInit and makes all their calls, started at the
    // first use; null when no thread could be started.
    RapiCallThread* callThread();

private:
    QLibrary m_file;
    RapiApi m_api;
    std::mutex m_threadMutex;
    RapiCallThread* m_callThread = nullptr; // never destroyed: it may be inside the library
};
