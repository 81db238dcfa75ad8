#include "publish/ReplyPattern.h"

#include "publish/PublishResult.h"

#include <cstdint>
#include <limits>
#include <string_view>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<long long> MatchReply(const char* bytes, std::size_t length) {
    if (!bytes)
        return std::nullopt;
    std::string_view text(bytes, length);
    const auto nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);

    const std::string prefix = std::string("Highscores(") + kReplyMarker + "):";
    if (text.substr(0, prefix.size()) != prefix)
        return std::nullopt;
    std::size_t i = prefix.size();
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || !IsDigit(text[i]))
        return std::nullopt;
    constexpr long long kMax = std::numeric_limits<std::int32_t>::max();
    constexpr long long kMin = std::numeric_limits<std::int32_t>::min();
    long long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        if (value <= kMax)
            value = value * 10 + (text[i] - '0');
    }
    if (negative)
        return value > -kMin ? kMin : -value;
    return value > kMax ? kMax : value;
}

int ResultForReplyNumber(long long number) {
    switch (number) {
    case 0:
        return UPLOAD_OK;
    case 1:
    case 5:
        return UPLOAD_BAD_DATA;
    case 2:
        return UPLOAD_DB_BUSY;
    case 3:
        return UPLOAD_DB_INSERT_FAILED;
    case 4:
        return UPLOAD_UNKNOWN_GAME;
    case 6:
        return UPLOAD_BAD_SIGNATURE;
    case 7:
        return UPLOAD_USER_NOT_FOUND;
    case 8:
        return UPLOAD_BAD_PASSWORD;
    case 9:
        return UPLOAD_BAD_EMAIL;
    case 10:
        return UPLOAD_DB_TRY_LATER;
    case 11:
        return UPLOAD_SERVER_INTERNAL;
    case 12:
        return UPLOAD_ISLAND_COMPLETED;
    default:
        return UPLOAD_UNRECOGNIZED;
    }
}

int ResultForReply(const char* bytes, std::size_t length) {
    const auto number = MatchReply(bytes, length);
    return number ? ResultForReplyNumber(*number) : UPLOAD_REQUEST_FAILED;
}
