#include "scores/ArchiveReader.h"

bool ArchiveReader::Take(std::size_t n, const std::uint8_t*& bytes) {
    if (failed || n > size - position) {
        failed = true;
        return false;
    }
    bytes = data + position;
    position += n;
    return true;
}

bool ArchiveReader::ReadU8(std::uint8_t& value) {
    const std::uint8_t* p = nullptr;
    if (!Take(1, p))
        return false;
    value = p[0];
    return true;
}

bool ArchiveReader::ReadU16(std::uint16_t& value) {
    const std::uint8_t* p = nullptr;
    if (!Take(2, p))
        return false;
    value = static_cast<std::uint16_t>(p[0] | p[1] << 8);
    return true;
}

bool ArchiveReader::ReadU32(std::uint32_t& value) {
    const std::uint8_t* p = nullptr;
    if (!Take(4, p))
        return false;
    value = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
            std::uint32_t(p[3]) << 24;
    return true;
}

bool ArchiveReader::ReadString(ArchiveString& text) {
    text = ArchiveString{};
    std::uint8_t shortLength = 0;
    if (!ReadU8(shortLength))
        return false;
    std::uint32_t length = shortLength;
    if (shortLength == 0xFF) {
        std::uint16_t word = 0;
        if (!ReadU16(word))
            return false;
        bool haveLength = false;
        if (word == 0xFFFE) {
            text.wide = true;
            if (!ReadU8(shortLength))
                return false;
            if (shortLength < 0xFF) {
                length = shortLength;
                haveLength = true;
            } else if (!ReadU16(word)) {
                return false;
            }
        }
        if (!haveLength) {
            if (word < 0xFFFF)
                length = word;
            else if (!ReadU32(length))
                return false;
        }
    }

    const std::size_t unitBytes = text.wide ? 2 : 1;
    if (length > Remaining() / unitBytes) {
        failed = true; // a length the archive cannot hold
        return false;
    }
    const std::uint8_t* p = nullptr;
    if (!Take(std::size_t(length) * unitBytes, p))
        return false;
    text.units.resize(length);
    for (std::uint32_t i = 0; i < length; ++i)
        text.units[i] = text.wide ? static_cast<char16_t>(p[2 * i] | p[2 * i + 1] << 8)
                                  : static_cast<char16_t>(p[i]);
    return true;
}
