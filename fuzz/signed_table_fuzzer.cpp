// Signed table texts come from any file in a handheld's program folders.
#include "TableRoundTrip.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteBuffer buffer = FuzzBuffer(data, size);
    RecordTable table = FuzzTable();
    if (ParseSignedTable(table, buffer))
        CheckTableRoundTrip(table);
    return 0;
}
