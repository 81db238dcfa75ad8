#pragma once

#include "scores/ByteBuffer.h"
#include "scores/RecordTable.h"

// Decodes the level table file from data's position into table: a 32-bit count, then per
// entry a 32-bit name length in UTF-16 units, the name, the score and the level reached.
// False when a read reaches past the end of data; records read before stay in the table.
bool DecodeLevelTable(ByteBuffer& data, RecordTable& table);
