#include "scores/DecodeRules.h"

namespace {

// Bytes that would end a field or a row early, or cut the zero-terminated text short.
constexpr std::string_view kSeparators{"|\n\r\0", 4};

bool IsStorableField(std::string_view text) {
    return text.size() <= kTableFieldBytes && text.find_first_of(kSeparators) == text.npos;
}

} // namespace

bool IsStorableRecord(std::string_view name, std::int32_t score, std::string_view extra) {
    return !name.empty() && score >= 0 && IsStorableField(name) && IsStorableField(extra);
}

bool AddDecodedRecord(RecordTable& table, std::string name, std::int32_t score, std::string extra) {
    if (!IsStorableRecord(name, score, extra))
        return false;
    table.AddRecordBounded(HighscoreRecord{std::move(name), score, std::move(extra)});
    return true;
}
