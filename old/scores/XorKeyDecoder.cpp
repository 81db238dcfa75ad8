#include "scores/XorKeyDecoder.h"

#include "device/TextCodec.h"
#include "scores/DecodeRules.h"

#include <cstring>
#include <vector>

namespace {

constexpr int kTableEntries = 10;
constexpr int kTimeEntries = 3;
constexpr std::int64_t kWorstTime = 999;

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

} // namespace

XorKeyDecoder::XorKeyDecoder(const char* key)
    : key(key ? key : ""), keyLength(static_cast<std::int32_t>(std::strlen(this->key))) {}

XorKeyDecoder::~XorKeyDecoder() = default;

std::int32_t XorKeyDecoder::NextKeyIndex() {
    const std::int32_t index = keyCursor;
    const std::int32_t cycle = keyLength > 1 ? keyLength - 1 : 1;
    keyCursor = (keyCursor + 1) % cycle;
    return index;
}

std::int32_t XorKeyDecoder::UnmaskValue(std::uint32_t masked) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const std::int32_t k = NextKeyIndex();
        const std::uint8_t mask = k < keyLength ? static_cast<std::uint8_t>(key[k]) : 0;
        value |= std::uint32_t(((masked >> (8 * i)) & 0xFF) ^ mask) << (8 * i);
    }
    return static_cast<std::int32_t>(value);
}

std::string XorKeyDecoder::UnmaskString(const ArchiveString& masked) {
    // Each pair is read like "%2x": a pair that does not start with a hex digit ends the text,
    // a pair whose second character is no hex digit gives the first digit's value.
    std::vector<std::uint8_t> bytes;
    const std::u16string& units = masked.units;
    for (std::size_t i = 0; i < units.size(); i += 2) {
        int value = HexValue(units[i]);
        if (value < 0)
            break;
        if (i + 1 < units.size() && HexValue(units[i + 1]) >= 0)
            value = value * 16 + HexValue(units[i + 1]);
        const std::int32_t k = NextKeyIndex();
        const std::uint8_t mask = k < keyLength ? static_cast<std::uint8_t>(key[k]) : 0;
        bytes.push_back(static_cast<std::uint8_t>(value) ^ mask);
    }
    std::u16string text;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const char16_t unit =
            static_cast<char16_t>(bytes[i] | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0));
        if (unit == u'\0')
            break;
        text.push_back(unit);
    }
    return NarrowFromWide(text);
}

bool XorKeyDecoder::ReadHeader(ArchiveReader& archive) {
    ArchiveString header;
    if (!archive.ReadString(header))
        return false;
    UnmaskString(header);
    return true;
}

bool XorKeyDecoder::ReadEntry(ArchiveReader& archive, std::string& name, std::int32_t& value) {
    ArchiveString maskedName;
    std::uint32_t maskedValue = 0;
    if (!archive.ReadString(maskedName) || !archive.ReadU32(maskedValue))
        return false;
    name = UnmaskString(maskedName);
    value = UnmaskValue(maskedValue);
    return true;
}

bool XorKeyDecoder::DecodeTable(const ByteBuffer& data, RecordTable& table) {
    keyCursor = 0;
    ArchiveReader archive(data.Data(), data.Length());
    if (!ReadHeader(archive))
        return false;
    for (int i = 0; i < kTableEntries; ++i) {
        std::string name;
        std::int32_t score = 0;
        if (!ReadEntry(archive, name, score))
            return false;
        AddDecodedRecord(table, std::move(name), score, "");
    }
    return true;
}

bool TimeXorKeyDecoder::DecodeTable(const ByteBuffer& data, RecordTable& table) {
    keyCursor = 0;
    ArchiveReader archive(data.Data(), data.Length());
    if (!ReadHeader(archive))
        return false;
    std::string name;
    std::int32_t time = 0;
    for (int i = 0; i < kTimeEntries; ++i)
        if (!ReadEntry(archive, name, time))
            return false;
    // Computed wide so that a corrupt time can neither wrap nor overflow the score.
    std::int64_t score = kWorstTime - std::int64_t(time);
    if (score < 0)
        score = 0;
    if (score > INT32_MAX)
        score = INT32_MAX;
    AddDecodedRecord(table, std::move(name), static_cast<std::int32_t>(score),
                     "Time: " + std::to_string(time));
    return true;
}
