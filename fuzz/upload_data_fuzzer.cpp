// Upload bodies come from anyone who can reach a site. Decoding takes only what the encoder
// writes, and the layouts read back as they are written. A mismatch stops the run.
#include "formats/UploadData.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool holds) {
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto decoded = decodeBody(bytes))
        check(encodeBody(*decoded) == bytes);
    check(decodeBody(encodeBody(bytes)) == bytes);

    if (const auto table = parseTableUpload(bytes)) {
        // Leading zeros of an index are not kept; everything else is.
        const auto again =
            parseTableUpload(tableUploadData(table->tableText, table->chosen, table->email));
        check(again && again->tableText == table->tableText && again->chosen == table->chosen &&
              again->email == table->email);
    }
    if (const auto islands = parseIslandsUpload(bytes))
        check(islandsUploadData(islands->email, islands->password, islands->files) == bytes);
    return 0;
}
