#pragma once

// Reads values stored by the Windows class library's archive (loading direction): 32-bit
// little-endian numbers and length-prefixed strings. Any read past the end, or a length that
// the remaining bytes cannot hold, fails and leaves the reader failed.

#include <cstddef>
#include <cstdint>
#include <string>

// The characters of an archive string: bytes for 8-bit strings, code units for UTF-16 ones.
struct ArchiveString {
    std::u16string units;
    bool wide = false;
};

class ArchiveReader {
public:
    ArchiveReader(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool ReadU8(std::uint8_t& value);
    bool ReadU16(std::uint16_t& value);
    bool ReadU32(std::uint32_t& value);
    // The length-prefixed string layout:
    //   byte < 0xFF                      length, 8-bit characters
    //   0xFF, then word 0xFFFE           UTF-16 characters; the length prefix starts again
    //   0xFF, then word < 0xFFFF         length
    //   0xFF, word 0xFFFF, then dword    length
    bool ReadString(ArchiveString& text);

    bool Failed() const { return failed; }
    std::size_t Remaining() const { return size - position; }

private:
    bool Take(std::size_t n, const std::uint8_t*& bytes);

    const std::uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
    bool failed = false;
};
