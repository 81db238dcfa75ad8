#include "device/DeviceFile.h"

#include "device/TextCodec.h"
#include "scores/HighscoreSource.h"

using namespace rapi;

int ReadDeviceFile(IRapiDevice* device, CHighscoreSource& source, const std::string& path) {
    source.ResetForLoad();
    if (!device)
        return READ_OPEN_FAILED;

    const std::u16string widePath = WideFromNarrow(path);
    const HANDLE file = device->CeCreateFile(widePath.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    device->Pause(10);
    if (file == INVALID_HANDLE_VALUE)
        return READ_OPEN_FAILED;

    DWORD sizeHigh = 0;
    const DWORD size = device->CeGetFileSize(file, &sizeHigh);
    const bool tooLarge = sizeHigh != 0 || size == INVALID_FILE_SIZE || size > kMaxDeviceFileBytes;
    DWORD read = 0;
    bool complete = false;
    if (!tooLarge && source.data.AppendZeros(size + 1)) {
        complete = device->CeReadFile(file, source.data.Data(), size, &read) && read == size;
    }
    device->CeCloseHandle(file);
    device->Pause(10);

    if (!complete) {
        source.data.Clear();
        return READ_SHORT;
    }
    return READ_OK;
}
