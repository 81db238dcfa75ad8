#pragma once

#include "scores/RecordTable.h"

#include <cstdint>
#include <string>
#include <string_view>

// Only this many bytes of a field of a signed table text count when it is read back.
inline constexpr std::size_t kTableFieldBytes = 1023;

// Whether the signed table text can carry a record unchanged: a non-empty name, a score of 0
// or more, and a name and extra text that hold no field or row separator ("|", line feed,
// carriage return, NUL) and fit the field size the reader keeps.
bool IsStorableRecord(std::string_view name, std::int32_t score, std::string_view extra);

// How the game decoders add a record: records that fail IsStorableRecord are skipped, the rest
// go through the table's bounded insertion. True when the record was offered to the table.
bool AddDecodedRecord(RecordTable& table, std::string name, std::int32_t score, std::string extra);
