#include "scores/ByteBuffer.h"

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace {
// Grows by doubling, so that a long run of small appends stays linear.
std::size_t GrownCapacity(std::size_t current, std::size_t needed) {
    std::size_t capacity = current < 2 ? 1 : current;
    while (capacity < needed)
        capacity *= 2;
    return capacity;
}
} // namespace

void ByteBuffer::SetPosition(std::uint32_t value) {
    position = value > Length() ? Length() : value;
}

bool ByteBuffer::Append(const void* source, std::uint32_t n) {
    if (!source)
        return false;
    if (n == 0)
        return true;
    const std::uint64_t end = std::uint64_t(position) + n;
    if (end > std::numeric_limits<std::uint32_t>::max())
        return false;
    try {
        if (end > bytes.capacity())
            bytes.reserve(GrownCapacity(bytes.capacity(), end));
        if (end > bytes.size())
            bytes.resize(end);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    std::memmove(bytes.data() + position, source, n);
    position = static_cast<std::uint32_t>(end);
    return true;
}

bool ByteBuffer::AppendZeros(std::uint32_t n) {
    static const std::uint8_t zeros[1024] = {};
    while (n > 0) {
        const std::uint32_t piece = n < sizeof zeros ? n : std::uint32_t(sizeof zeros);
        if (!Append(zeros, piece))
            return false;
        n -= piece;
    }
    return true;
}

bool ByteBuffer::AppendU32(std::uint32_t value) {
    const std::uint8_t le[4] = {std::uint8_t(value), std::uint8_t(value >> 8),
                                std::uint8_t(value >> 16), std::uint8_t(value >> 24)};
    return Append(le, 4);
}

bool ByteBuffer::Reserve(std::uint32_t n) {
    try {
        bytes.reserve(n);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

void ByteBuffer::Clear() {
    std::vector<std::uint8_t>().swap(bytes);
    position = 0;
}

bool ByteBuffer::ReadU32(std::uint32_t& value) {
    if (Length() - position < 4)
        return false;
    const std::uint8_t* p = bytes.data() + position;
    value = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
            std::uint32_t(p[3]) << 24;
    position += 4;
    return true;
}
