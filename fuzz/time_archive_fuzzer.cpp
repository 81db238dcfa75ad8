// Three-entry masked archives come from the mine-clearing game's folder on the handheld.
#include "TableRoundTrip.h"

#include "scores/XorKeyDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteBuffer buffer = FuzzBuffer(data, size);
    RecordTable table = FuzzTable();
    TimeXorKeyDecoder(kDeminarArchiveKey).DecodeTable(buffer, table);
    CheckTableRoundTrip(table);
    return 0;
}
