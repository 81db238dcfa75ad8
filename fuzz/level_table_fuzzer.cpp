// Level table files come from the brick-breaker game's folder on the handheld.
#include "TableRoundTrip.h"

#include "formats/GameFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkTableRoundTrip(decodeLevelTable(fuzzBytes(data, size)));
    return 0;
}
