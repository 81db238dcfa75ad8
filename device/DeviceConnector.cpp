#include "device/DeviceConnector.h"

#include "device/SimulatedDevice.h"

namespace {

// Stands in when no handheld can be reached at all: every session fails at once.
class CUnreachableDevice final : public IRapiDevice {
public:
    bool StartSession(rapi::DWORD) override { return false; }
    void CeRapiUninit() override {}
    rapi::LONG CeRegOpenKeyEx(rapi::HKEY, const rapi::WCHAR*, rapi::DWORD, rapi::DWORD,
                              rapi::HKEY*) override {
        return rapi::ERROR_INVALID_HANDLE;
    }
    rapi::LONG CeRegQueryValueEx(rapi::HKEY, const rapi::WCHAR*, rapi::DWORD*, rapi::DWORD*,
                                 rapi::BYTE*, rapi::DWORD*) override {
        return rapi::ERROR_INVALID_HANDLE;
    }
    rapi::LONG CeRegEnumValue(rapi::HKEY, rapi::DWORD, rapi::WCHAR*, rapi::DWORD*, rapi::DWORD*,
                              rapi::DWORD*, rapi::BYTE*, rapi::DWORD*) override {
        return rapi::ERROR_INVALID_HANDLE;
    }
    rapi::LONG CeRegQueryInfoKey(rapi::HKEY, rapi::WCHAR*, rapi::DWORD*, rapi::DWORD*, rapi::DWORD*,
                                 rapi::DWORD*, rapi::DWORD*, rapi::DWORD*, rapi::DWORD*,
                                 rapi::DWORD*, rapi::DWORD*, rapi::FILETIME*) override {
        return rapi::ERROR_INVALID_HANDLE;
    }
    rapi::LONG CeRegCloseKey(rapi::HKEY) override { return rapi::ERROR_INVALID_HANDLE; }
    rapi::HANDLE CeCreateFile(const rapi::WCHAR*, rapi::DWORD, rapi::DWORD, rapi::DWORD,
                              rapi::DWORD) override {
        return rapi::INVALID_HANDLE_VALUE;
    }
    rapi::DWORD CeGetFileSize(rapi::HANDLE, rapi::DWORD*) override {
        return rapi::INVALID_FILE_SIZE;
    }
    rapi::BOOL CeReadFile(rapi::HANDLE, void*, rapi::DWORD, rapi::DWORD*) override { return 0; }
    rapi::BOOL CeCloseHandle(rapi::HANDLE) override { return 0; }
    rapi::DWORD CeGetFileAttributes(const rapi::WCHAR*) override {
        return rapi::INVALID_FILE_ATTRIBUTES;
    }
    rapi::BOOL CeDeleteFile(const rapi::WCHAR*) override { return 0; }
    rapi::BOOL CeFindAllFiles(const rapi::WCHAR*, rapi::DWORD, rapi::DWORD*,
                              rapi::CE_FIND_DATA**) override {
        return 0;
    }
    rapi::HRESULT CeRapiFreeBuffer(void*) override { return 0; }
    void Pause(rapi::DWORD) override {}
};

} // namespace

std::unique_ptr<IRapiDevice> CreateDevice(const QString& imageFolder) {
    if (!imageFolder.isEmpty())
        return std::make_unique<CSimulatedDevice>(imageFolder);
    return std::make_unique<CUnreachableDevice>();
}
