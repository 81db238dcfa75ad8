#pragma once

#include "device/RapiDevice.h"

#include <string>

// One open key of the handheld's registry. A key that failed to open answers every query
// with its default (or false).
class CRemoteRegKey {
public:
    // Opens subKey below root (a predefined root or an open key) with full access.
    CRemoteRegKey(IRapiDevice* device, rapi::HKEY root, const std::string& subKey);
    ~CRemoteRegKey();
    CRemoteRegKey(const CRemoteRegKey&) = delete;
    CRemoteRegKey& operator=(const CRemoteRegKey&) = delete;

    rapi::LONG Close();
    bool IsOpen() const { return handle != 0; }
    rapi::HKEY Handle() const { return handle; }

    // The value as text, whatever its type; defaultText when it cannot be read.
    std::string QueryString(const std::string& name, const std::string& defaultText);
    // The value's first four bytes, whatever its type; defaultValue when it cannot be read.
    rapi::DWORD QueryDword(const std::string& name, rapi::DWORD defaultValue);
    // Reads the value into buffer; size is in/out. True on success.
    bool QueryBinary(const std::string& name, void* buffer, rapi::DWORD* size);
    // The name of the value at index; false (and "") past the last value or on failure.
    bool EnumValueName(rapi::DWORD index, std::string& name);

private:
    IRapiDevice* device;
    rapi::HKEY handle = 0;
};
