#pragma once

#include "device/RapiDevice.h"

#include <QString>
#include <memory>

// How long the program waits for a handheld to answer a new session.
inline constexpr rapi::DWORD kSessionWaitMs = 10000;

// The backend for a connection: the device image folder when one is given, otherwise the
// handheld reached through the desktop's remote API. Never null; a backend that cannot reach
// any handheld fails StartSession.
std::unique_ptr<IRapiDevice> CreateDevice(const QString& imageFolder);
