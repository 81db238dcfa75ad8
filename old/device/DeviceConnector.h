#pragma once

#include "device/RapiDevice.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// How long the program waits for a handheld to answer a new session.
inline constexpr rapi::DWORD kSessionWaitMs = 10000;
// The longest wait that may be configured instead.
inline constexpr rapi::DWORD kMaxSessionWaitMs = 600000;

// Where the real handheld's remote API library is looked for, in this order:
//   1. the environment variable SCORVANE_RAPI_LIBRARY (a file name or path),
//   2. the value "RapiLibrary" in the profile's section "Device",
//   3. the platform's own names ("rapi.dll"; "libsynce.so.0", "librapi.so.2").
QStringList RapiLibraryCandidates();

// A wait for new sessions that replaces kSessionWaitMs for the real handheld: the environment
// variable SCORVANE_SESSION_WAIT_MS, else the value "SessionWaitMs" in the profile's section
// "Device"; milliseconds from 0 to kMaxSessionWaitMs. Anything else is ignored.
std::optional<rapi::DWORD> SessionWaitOverride();

// The backend for a connection: the device image folder when one is given, otherwise the
// handheld reached through the desktop's remote API library. Never null; a backend that cannot
// reach any handheld fails StartSession.
std::unique_ptr<IRapiDevice> CreateDevice(const QString& imageFolder);
