// Upload replies come from whatever answers at the configured server address. A number read
// from a reply must read back from the line a site writes for it.
#include "formats/Reply.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The upload looks at no more than the first bytes of a reply.
    const QByteArrayView reply(reinterpret_cast<const char*>(data),
                               qMin(qsizetype(size), kReplyReadLimit));
    const std::optional<qint32> number = matchReply(reply);
    if (number && matchReply(replyLine(*number)) != number)
        std::abort();
    return 0;
}
