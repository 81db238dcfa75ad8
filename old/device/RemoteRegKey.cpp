#include "device/RemoteRegKey.h"

#include "device/TextCodec.h"

#include <algorithm>
#include <vector>

using namespace rapi;

namespace {
// Longest value name assumed when the handheld cannot tell.
constexpr DWORD kDefaultNameChars = 260;
// The longest value name a registry holds; a handheld that reports more is not believed.
constexpr DWORD kMaxNameChars = 16383;
// Larger values are not read as text: they are skipped like missing ones.
constexpr DWORD kMaxTextValueBytes = 64 * 1024;
} // namespace

CRemoteRegKey::CRemoteRegKey(IRapiDevice* device, HKEY root, const std::string& subKey)
    : device(device) {
    if (!device)
        return;
    const std::u16string path = WideFromNarrow(subKey);
    HKEY opened = 0;
    if (device->CeRegOpenKeyEx(root, path.c_str(), 0, KEY_ALL_ACCESS, &opened) == ERROR_SUCCESS)
        handle = opened;
}

CRemoteRegKey::~CRemoteRegKey() {
    Close();
}

LONG CRemoteRegKey::Close() {
    if (!handle)
        return 0;
    const LONG status = device->CeRegCloseKey(handle);
    handle = 0;
    return status;
}

std::string CRemoteRegKey::QueryString(const std::string& name, const std::string& defaultText) {
    if (!IsOpen())
        return defaultText;
    const std::u16string wideName = WideFromNarrow(name);
    DWORD type = REG_SZ;
    DWORD size = 0;
    if (device->CeRegQueryValueEx(handle, wideName.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        size > kMaxTextValueBytes)
        return defaultText;
    // Room for twice the size, as a handheld may count characters instead of bytes; the cap
    // above keeps this far from overflowing, whatever the width of size_t.
    std::vector<BYTE> buffer(2 * static_cast<std::size_t>(size) + 2, 0);
    DWORD got = size;
    if (device->CeRegQueryValueEx(handle, wideName.c_str(), nullptr, &type, buffer.data(), &got) !=
        ERROR_SUCCESS)
        return defaultText;
    const std::size_t bytes = std::min<std::size_t>(got, buffer.size());
    std::u16string text(bytes / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(buffer[2 * i] | (buffer[2 * i + 1] << 8));
    return NarrowFromWide(text.data(), text.size());
}

DWORD CRemoteRegKey::QueryDword(const std::string& name, DWORD defaultValue) {
    if (!IsOpen())
        return defaultValue;
    const std::u16string wideName = WideFromNarrow(name);
    BYTE bytes[4] = {0, 0, 0, 0};
    DWORD type = REG_DWORD;
    DWORD size = sizeof bytes;
    if (device->CeRegQueryValueEx(handle, wideName.c_str(), nullptr, &type, bytes, &size) !=
        ERROR_SUCCESS)
        return defaultValue;
    return DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;
}

bool CRemoteRegKey::QueryBinary(const std::string& name, void* buffer, DWORD* size) {
    if (!IsOpen())
        return false;
    if (size && *size != 0 && !buffer)
        return false;
    const std::u16string wideName = WideFromNarrow(name);
    DWORD type = REG_BINARY;
    const DWORD room = size ? *size : 0;
    if (device->CeRegQueryValueEx(handle, wideName.c_str(), nullptr, &type,
                                  static_cast<BYTE*>(buffer), size) != ERROR_SUCCESS)
        return false;
    if (buffer && size && *size > room)
        *size = room; // never more than the buffer holds
    return true;
}

bool CRemoteRegKey::EnumValueName(DWORD index, std::string& name) {
    name.clear();
    if (!IsOpen())
        return false;
    DWORD longest = 0;
    if (device->CeRegQueryInfoKey(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, &longest, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        longest = kDefaultNameChars;
    DWORD len = std::min(longest, kMaxNameChars) + 1;
    DWORD lastLen = len;
    std::vector<WCHAR> buffer;
    for (;;) {
        if (buffer.size() <= len)
            buffer.resize(static_cast<std::size_t>(len) + 1, u'\0');
        DWORD chars = len;
        const LONG status = device->CeRegEnumValue(handle, index, buffer.data(), &chars, nullptr,
                                                   nullptr, nullptr, nullptr);
        if (status == ERROR_SUCCESS) {
            const std::size_t end = std::min<std::size_t>(chars, buffer.size() - 1);
            buffer[end] = u'\0';
            name = NarrowFromWide(buffer.data(), end);
            return true;
        }
        buffer[0] = u'\0';
        if (status != ERROR_MORE_DATA)
            return false;
        // Growth is bounded: the handheld must ask for more room each time.
        if (chars > kMaxNameChars)
            return false;
        len = chars + 1;
        if (len <= lastLen)
            return false;
        lastLen = len;
    }
}
