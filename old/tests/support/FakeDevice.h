#pragma once

#include "device/RapiDevice.h"
#include "device/RegistryTree.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <memory>
#include <string>
#include <vector>

// An in-memory handheld for unit tests, with switches that make single calls misbehave.
class FakeDevice final : public IRapiDevice {
public:
    // Registry content. Key paths are below the given root, separated by backslashes.
    void SetValue(rapi::HKEY root, const QString& key, const QString& name, rapi::DWORD type,
                  const QByteArray& data);
    void SetString(rapi::HKEY root, const QString& key, const QString& name, const QString& text);
    void AddKey(rapi::HKEY root, const QString& key);

    // File system content; parent folders are created as needed.
    void AddFile(const QString& path, const QByteArray& bytes);
    void AddFolder(const QString& path, rapi::DWORD extraAttributes = 0);
    bool HasFile(const QString& path) const;

    // Faults.
    bool refuseSessions = false;
    bool failQueryInfo = false;
    int moreDataAnswers = 0;              // CeRegEnumValue answers ERROR_MORE_DATA this many times
    rapi::DWORD moreDataLength = 0;       // the name length such an answer reports
    rapi::DWORD reportedValueBytes = 0;   // a value's size asked for without a buffer
    rapi::DWORD reportedMaxNameChars = 0; // the longest value name CeRegQueryInfoKey reports
    rapi::DWORD shortReadBytes = 0;       // CeReadFile delivers this many bytes fewer
    bool deleteLeavesFile = false;        // CeDeleteFile reports success but the file stays
    bool failDeletes = false;
    bool failSearches = false;
    bool emptySearchLeavesPointer = false; // an empty search does not touch the result pointer

    // Observations.
    int pauses = 0;
    int sessionsStarted = 0;
    int sessionsEnded = 0;
    std::vector<QString> deleted;
    std::size_t OpenKeyCount() const { return openKeys.size(); }
    std::size_t OpenFileCount() const { return openFiles.size(); }
    std::size_t LiveSearchBuffers() const { return buffers.size(); }

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
    rapi::BOOL CeFindAllFiles(const rapi::WCHAR* pattern, rapi::DWORD flags, rapi::DWORD* count,
                              rapi::CE_FIND_DATA** found) override;
    rapi::HRESULT CeRapiFreeBuffer(void* buffer) override;
    void Pause(rapi::DWORD milliseconds) override;

private:
    struct Entry {
        QString path; // normalised: "\A\B"
        rapi::DWORD attributes = 0;
        QByteArray bytes;
    };
    struct OpenFile {
        QString key;
        qsizetype offset = 0;
    };

    static QString Normalise(const QString& path);
    RegistryKey Node(rapi::HKEY key);
    RegistryKey KeyPath(rapi::HKEY root, const QString& key);

    RegistryTree registry;
    std::map<QString, Entry> entries; // keyed by folded normalised path
    std::map<rapi::HKEY, RegistryKey> openKeys;
    std::map<rapi::HANDLE, OpenFile> openFiles;
    std::map<void*, std::unique_ptr<rapi::CE_FIND_DATA[]>> buffers;
    rapi::DWORD nextHandle = 0x10;
};
