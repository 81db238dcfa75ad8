// Ten-entry masked archives come from three games' folders on the handheld.
#include "TableRoundTrip.h"

#include "formats/GameFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const ArchiveKey key : {ArchiveKey::Quilbit, ArchiveKey::Marbelo})
        checkTableRoundTrip(decodeMaskedArchive(fuzzBytes(data, size), key));
    return 0;
}
