// Three-entry masked archives come from the mine-clearing game's folder on the handheld.
#include "TableRoundTrip.h"

#include "formats/GameFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkTableRoundTrip(decodeTimedArchive(fuzzBytes(data, size), ArchiveKey::Deminar));
    return 0;
}
