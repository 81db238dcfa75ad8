// Table texts come from any file in a handheld's program folders, and from uploads.
#include "TableRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkTableRoundTrip(parseSignedTable(fuzzBytes(data, size)));
    return 0;
}
