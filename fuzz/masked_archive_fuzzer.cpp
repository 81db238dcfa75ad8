// Ten-entry masked archives come from three games' folders on the handheld.
#include "TableRoundTrip.h"

#include "scores/XorKeyDecoder.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteBuffer buffer = FuzzBuffer(data, size);
    for (const char* key : {kQuilbitArchiveKey, kMarbeloArchiveKey}) {
        RecordTable table = FuzzTable();
        XorKeyDecoder(key).DecodeTable(buffer, table);
        CheckTableRoundTrip(table);
    }
    return 0;
}
