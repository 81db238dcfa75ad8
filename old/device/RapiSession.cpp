#include "device/RapiSession.h"

bool RapiSession::Connect(IRapiDevice* newDevice, rapi::DWORD waitMs) {
    Disconnect();
    if (!newDevice)
        return false;
    device = newDevice;
    connected = device->StartSession(waitMs) ? 1 : 0;
    return connected != 0;
}

void RapiSession::Disconnect() {
    if (connected && device)
        device->CeRapiUninit();
    connected = 0;
}
