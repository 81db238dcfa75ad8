#pragma once

#include "device/RapiDevice.h"
#include "device/RegistryFile.h"

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>

class QFile;

// A handheld simulated by a device image folder:
//   files/         the handheld's file system (\Storage\x.dat is files/Storage/x.dat)
//   registry.reg   the handheld's registry as a registry editor export
//   device.ini     optional: [Device] StorageCards=Card1,Card2 and [Link] Pacing=0
// Names match without regard to case. No handheld path reaches outside files/: "." and ".."
// segments, drive letters and links that lead outside are refused like missing files, and
// listings leave them out. Only regular files are ever opened: a FIFO, socket or device in
// files/ is absent, and one named registry.reg or device.ini is not read, which SessionNotice
// tells, as it tells of a registry.reg that is too large, is no export, or holds keys beyond
// the handheld's limits. The only change ever made to the image is the deletion of a file.
class CSimulatedDevice final : public IRapiDevice {
public:
    explicit CSimulatedDevice(QString imageFolder);
    ~CSimulatedDevice() override;

    // Whether StartSession would connect to this folder.
    static bool LooksLikeImage(const QString& folder);

    bool StartSession(rapi::DWORD waitMs) override;
    void CeRapiUninit() override;
    std::string SessionNotice() const override;

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

    bool PacingEnabled() const { return pacing; }

private:
    struct Resolved {
        QString path;  // host path as walked (a link stays a link)
        bool isFolder; // after following links
        bool isStorageCard;
    };

    struct KeyInfo {
        RegistryKey key = kNoRegistryKey;
        rapi::DWORD longestName = 0;
        rapi::DWORD largestData = 0;
    };

    void LoadRegistry();
    void LoadSettings();
    std::optional<Resolved> Resolve(const QString& devicePath) const;
    RegistryKey KeyOf(rapi::HKEY key) const;
    rapi::DWORD Attributes(const Resolved& entry) const;

    QString root;      // the image folder
    QString filesRoot; // canonical path of files/, empty when there is none
    bool connected = false;
    bool pacing = true;
    QStringList storageCards;
    QStringList notices; // for SessionNotice
    RegistryTree registry;
    KeyInfo lastKeyInfo; // the registry does not change during a session
    std::map<rapi::HKEY, RegistryKey> openKeys;
    std::map<rapi::HANDLE, std::unique_ptr<QFile>> openFiles;
    std::map<void*, std::unique_ptr<rapi::CE_FIND_DATA[]>> searchResults;
    rapi::DWORD nextHandle = 0x100;
};
