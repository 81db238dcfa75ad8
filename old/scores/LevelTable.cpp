#include "scores/LevelTable.h"

#include "device/TextCodec.h"
#include "scores/DecodeRules.h"

#include <cstdint>
#include <string>

namespace {

bool ReadUtf16(ByteBuffer& data, std::uint32_t units, std::string& text) {
    const std::uint64_t bytes = std::uint64_t(units) * 2;
    if (bytes > data.Length() - data.Position())
        return false;
    const std::uint8_t* p = data.Data() + data.Position();
    std::u16string wide(units, u'\0');
    for (std::uint32_t i = 0; i < units; ++i)
        wide[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    data.SetPosition(data.Position() + static_cast<std::uint32_t>(bytes));
    text = NarrowFromWide(wide);
    return true;
}

} // namespace

bool DecodeLevelTable(ByteBuffer& data, RecordTable& table) {
    std::uint32_t count = 0;
    if (!data.ReadU32(count))
        return false;
    for (std::int32_t left = static_cast<std::int32_t>(count); left > 0; --left) {
        std::uint32_t nameUnits = 0;
        std::uint32_t score = 0;
        std::uint32_t level = 0;
        std::string name;
        if (!data.ReadU32(nameUnits) || !ReadUtf16(data, nameUnits, name) || !data.ReadU32(score) ||
            !data.ReadU32(level))
            return false;
        AddDecodedRecord(table, std::move(name), static_cast<std::int32_t>(score),
                         "Level: " + std::to_string(static_cast<std::int32_t>(level)));
    }
    return true;
}
