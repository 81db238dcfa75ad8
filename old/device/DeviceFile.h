#pragma once

#include "device/RapiDevice.h"

#include <optional>
#include <string>

class CHighscoreSource;

// Files larger than this are not highscore data; reading one is refused as a short read
// instead of pulling it over the link.
inline constexpr rapi::DWORD kMaxDeviceFileBytes = 16 * 1024 * 1024;

// Opens a handheld file for reading; the link pause follows the open whatever its outcome.
rapi::HANDLE OpenDeviceFile(IRapiDevice& device, const rapi::WCHAR* path);
// The size of an open file; nothing when it is too large to be read whole.
std::optional<rapi::DWORD> ReadableFileSize(IRapiDevice& device, rapi::HANDLE file);
// Closes a file opened by OpenDeviceFile, followed by the link pause.
void CloseDeviceFile(IRapiDevice& device, rapi::HANDLE file);

// Reads the whole handheld file at path into source's data, followed by one zero byte.
// The source is emptied first. Returns READ_OK, READ_OPEN_FAILED or READ_SHORT (data empty).
int ReadDeviceFile(IRapiDevice* device, CHighscoreSource& source, const std::string& path);
