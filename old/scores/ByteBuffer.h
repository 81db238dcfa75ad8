#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A growable byte buffer with a cursor: appends write at the position and move it on, readers
// consume from it. A failed growth leaves the buffer as it was and makes the append fail.
class ByteBuffer {
public:
    std::uint32_t Length() const { return static_cast<std::uint32_t>(bytes.size()); }
    std::uint32_t Position() const { return position; }
    // Moves the cursor; positions past the end are clamped to the end.
    void SetPosition(std::uint32_t value);
    bool Empty() const { return bytes.empty(); }

    const std::uint8_t* Data() const { return bytes.empty() ? nullptr : bytes.data(); }
    std::uint8_t* Data() { return bytes.empty() ? nullptr : bytes.data(); }
    std::string_view View() const {
        return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
    }

    // Writes n bytes at the position; n == 0 succeeds, a null source fails.
    bool Append(const void* source, std::uint32_t n);
    bool Append(std::string_view text) {
        return Append(text.data(), static_cast<std::uint32_t>(text.size()));
    }
    bool AppendByte(std::uint8_t value) { return Append(&value, 1); }
    bool AppendZeros(std::uint32_t n);
    bool AppendU32(std::uint32_t value); // little-endian
    // Makes room for at least n bytes without changing the contents.
    bool Reserve(std::uint32_t n);
    // Frees the storage; length and position become 0.
    void Clear();

    // Reads a little-endian 32-bit value at the position; false when fewer than 4 bytes remain.
    bool ReadU32(std::uint32_t& value);

private:
    std::vector<std::uint8_t> bytes;
    std::uint32_t position = 0;
};
