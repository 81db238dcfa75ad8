#pragma once

#include "scores/ArchiveReader.h"
#include "scores/ByteBuffer.h"
#include "scores/RecordTable.h"

#include <cstdint>
#include <string>

// Key strings of the masked highscore archives.
inline constexpr const char* kQuilbitArchiveKey = "{6B1E0A7D-3C58-4f2a-B741-0D9E6C3A58F2}";
inline constexpr const char* kMarbeloArchiveKey = "{A94C2E17-5D03-4b6e-9E5A-73C1F08B24D6}"; // 3, 6
inline constexpr const char* kDeminarArchiveKey = "{2F7D91C4-E06B-4a38-8C1F-5B2A9E7D403E}";

// Decodes a masked highscore archive: a masked header string, then ten entries of a masked
// name string and a masked 32-bit score. Every masked byte is combined by exclusive or with
// the key character at the key cursor, which steps through all key characters but the last
// and then starts again, in file order across the whole archive.
class XorKeyDecoder {
public:
    explicit XorKeyDecoder(const char* key);
    virtual ~XorKeyDecoder();
    XorKeyDecoder(const XorKeyDecoder&) = delete;
    XorKeyDecoder& operator=(const XorKeyDecoder&) = delete;

    // Adds the archive's entries to table; false when the archive is short or malformed
    // (entries read before stay in the table).
    virtual bool DecodeTable(const ByteBuffer& data, RecordTable& table);

protected:
    // Index of the key character for the next masked byte.
    std::int32_t NextKeyIndex();
    // A masked 32-bit value; its bytes are unmasked least significant first.
    std::int32_t UnmaskValue(std::uint32_t masked);
    // A masked string: pairs of hex digits, each one masked byte of UTF-16LE text.
    std::string UnmaskString(const ArchiveString& masked);
    // Reads the header and unmasks it, so that the key cursor starts on the first entry.
    bool ReadHeader(ArchiveReader& archive);
    // Reads one masked name and its masked value.
    bool ReadEntry(ArchiveReader& archive, std::string& name, std::int32_t& value);

    const char* key;
    std::int32_t keyLength;
    std::int32_t keyCursor = 0;
};

// The three-entry archive with times instead of scores: only the last entry is a record, with
// the score 999 minus the time.
class TimeXorKeyDecoder final : public XorKeyDecoder {
public:
    using XorKeyDecoder::XorKeyDecoder;
    bool DecodeTable(const ByteBuffer& data, RecordTable& table) override;
};
