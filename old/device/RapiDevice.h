#pragma once

#include "device/RapiTypes.h"

#include <string>

// The remote operations the program uses on a connected handheld. Every caller talks to the
// handheld through this interface; a backend decides what stands behind it (a device image
// folder, the desktop's remote API library, or a test double). The operations follow the
// handheld API's own conventions: registry calls return an error code (0 on success), file
// calls return a handle, a BOOL or a sentinel value.
//
// A backend is used by one thread at a time.
class IRapiDevice {
public:
    virtual ~IRapiDevice() = default;

    // Opens a session; true when the handheld answered within waitMs milliseconds. A session
    // that was half opened when the wait ran out is closed again before returning false.
    virtual bool StartSession(rapi::DWORD waitMs) = 0;
    // Ends the session opened by StartSession.
    virtual void CeRapiUninit() = 0;
    // What the user should hear about the handheld's data since StartSession, such as a part of
    // a device image that could not be read; empty when there is nothing to tell.
    virtual std::string SessionNotice() const { return {}; }

    virtual rapi::LONG CeRegOpenKeyEx(rapi::HKEY key, const rapi::WCHAR* subKey,
                                      rapi::DWORD options, rapi::DWORD access,
                                      rapi::HKEY* result) = 0;
    virtual rapi::LONG CeRegQueryValueEx(rapi::HKEY key, const rapi::WCHAR* valueName,
                                         rapi::DWORD* reserved, rapi::DWORD* type, rapi::BYTE* data,
                                         rapi::DWORD* dataSize) = 0;
    virtual rapi::LONG CeRegEnumValue(rapi::HKEY key, rapi::DWORD index, rapi::WCHAR* valueName,
                                      rapi::DWORD* valueNameChars, rapi::DWORD* reserved,
                                      rapi::DWORD* type, rapi::BYTE* data,
                                      rapi::DWORD* dataSize) = 0;
    virtual rapi::LONG CeRegQueryInfoKey(rapi::HKEY key, rapi::WCHAR* className,
                                         rapi::DWORD* classChars, rapi::DWORD* reserved,
                                         rapi::DWORD* subKeys, rapi::DWORD* maxSubKeyChars,
                                         rapi::DWORD* maxClassChars, rapi::DWORD* values,
                                         rapi::DWORD* maxValueNameChars, rapi::DWORD* maxValueBytes,
                                         rapi::DWORD* securityDescriptorBytes,
                                         rapi::FILETIME* lastWriteTime) = 0;
    virtual rapi::LONG CeRegCloseKey(rapi::HKEY key) = 0;

    // Security attributes and template handle are always null in this program and left out.
    virtual rapi::HANDLE CeCreateFile(const rapi::WCHAR* fileName, rapi::DWORD access,
                                      rapi::DWORD shareMode, rapi::DWORD creation,
                                      rapi::DWORD flagsAndAttributes) = 0;
    virtual rapi::DWORD CeGetFileSize(rapi::HANDLE file, rapi::DWORD* sizeHigh) = 0;
    virtual rapi::BOOL CeReadFile(rapi::HANDLE file, void* buffer, rapi::DWORD bytesToRead,
                                  rapi::DWORD* bytesRead) = 0;
    virtual rapi::BOOL CeCloseHandle(rapi::HANDLE object) = 0;
    virtual rapi::DWORD CeGetFileAttributes(const rapi::WCHAR* fileName) = 0;
    virtual rapi::BOOL CeDeleteFile(const rapi::WCHAR* fileName) = 0;

    // Lists the entries matching a pattern such as "\Storage\Program Files\*.*". On success
    // *found receives an array of *count records that the caller releases with
    // CeRapiFreeBuffer. A search that finds nothing may leave *found untouched.
    virtual rapi::BOOL CeFindAllFiles(const rapi::WCHAR* pattern, rapi::DWORD flags,
                                      rapi::DWORD* count, rapi::CE_FIND_DATA** found) = 0;
    virtual rapi::HRESULT CeRapiFreeBuffer(void* buffer) = 0;

    // The pause between remote steps that keeps the link responsive.
    virtual void Pause(rapi::DWORD milliseconds) = 0;
};
