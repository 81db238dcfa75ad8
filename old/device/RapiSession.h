#pragma once

#include "device/RapiDevice.h"

#include <cstdint>

// Whether this process holds an open session with the handheld, and through which backend.
// The session is always ended before the object goes away.
class RapiSession {
public:
    RapiSession() = default;
    ~RapiSession() { Disconnect(); }
    RapiSession(const RapiSession&) = delete;
    RapiSession& operator=(const RapiSession&) = delete;

    // Opens a session through device, waiting at most waitMs for the handheld to answer.
    bool Connect(IRapiDevice* device, rapi::DWORD waitMs);
    // Ends an open session; harmless when none is open.
    void Disconnect();

    bool IsConnected() const { return connected != 0; }
    IRapiDevice* Device() const { return connected ? device : nullptr; }

    std::int32_t connected = 0;

private:
    IRapiDevice* device = nullptr;
};
