#include "device/DeviceFile.h"

#include "device/TextCodec.h"
#include "scores/HighscoreSource.h"

using namespace rapi;

HANDLE OpenDeviceFile(IRapiDevice& device, const WCHAR* path) {
    const HANDLE file = device.CeCreateFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL);
    device.Pause(10);
    return file;
}

std::optional<DWORD> ReadableFileSize(IRapiDevice& device, HANDLE file) {
    DWORD sizeHigh = 0;
    const DWORD size = device.CeGetFileSize(file, &sizeHigh);
    if (sizeHigh != 0 || size == INVALID_FILE_SIZE || size > kMaxDeviceFileBytes)
        return std::nullopt;
    return size;
}

void CloseDeviceFile(IRapiDevice& device, HANDLE file) {
    device.CeCloseHandle(file);
    device.Pause(10);
}

int ReadDeviceFile(IRapiDevice* device, CHighscoreSource& source, const std::string& path) {
    source.ResetForLoad();
    if (!device)
        return READ_OPEN_FAILED;

    const std::u16string widePath = WideFromNarrow(path);
    const HANDLE file = OpenDeviceFile(*device, widePath.c_str());
    if (file == INVALID_HANDLE_VALUE)
        return READ_OPEN_FAILED;

    const std::optional<DWORD> size = ReadableFileSize(*device, file);
    DWORD read = 0;
    bool complete = false;
    if (size && source.data.AppendZeros(*size + 1))
        complete = device->CeReadFile(file, source.data.Data(), *size, &read) && read == *size;
    CloseDeviceFile(*device, file);

    if (!complete) {
        source.data.Clear();
        return READ_SHORT;
    }
    return READ_OK;
}
