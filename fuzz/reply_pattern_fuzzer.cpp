// Upload replies come from whatever answers at the configured server address.
#include "publish/PublishResult.h"
#include "publish/ReplyPattern.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    // The upload looks at no more than the first bytes of a reply.
    const std::size_t length = size < kReplyReadLimit ? size : kReplyReadLimit;
    const auto number = MatchReply(text, length);
    const int result = ResultForReply(text, length);
    if (number.has_value() != (result != UPLOAD_REQUEST_FAILED))
        std::abort();
    if (number && (*number < INT32_MIN || *number > INT32_MAX))
        std::abort();
    (void)FormatPublishResult(result, "title", "server", "server/path");
    return 0;
}
