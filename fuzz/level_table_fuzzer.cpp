// Level table files come from the brick-breaker game's folder on the handheld.
#include "TableRoundTrip.h"

#include "scores/LevelTable.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteBuffer buffer = FuzzBuffer(data, size);
    RecordTable table = FuzzTable();
    DecodeLevelTable(buffer, table);
    CheckTableRoundTrip(table);
    return 0;
}
