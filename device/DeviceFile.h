#pragma once

#include "device/RapiDevice.h"

#include <string>

class CHighscoreSource;

// Files larger than this are not highscore data; reading one is refused as a short read
// instead of pulling it over the link.
inline constexpr rapi::DWORD kMaxDeviceFileBytes = 16 * 1024 * 1024;

// Reads the whole handheld file at path into source's data, followed by one zero byte.
// The source is emptied first. Returns READ_OK, READ_OPEN_FAILED or READ_SHORT (data empty).
int ReadDeviceFile(IRapiDevice* device, CHighscoreSource& source, const std::string& path);
