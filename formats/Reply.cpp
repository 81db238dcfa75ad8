#include "formats/Reply.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

QByteArray replyPrefix() {
    return QByteArray("Highscores(") + kReplyMarker + "):";
}

} // namespace

std::optional<qint32> matchReply(QByteArrayView reply) {
    if (const qsizetype nul = reply.indexOf('\0'); nul >= 0)
        reply = reply.first(nul);
    if (!reply.startsWith(replyPrefix()))
        return std::nullopt;
    const char* p = reply.begin() + replyPrefix().size();
    while (p != reply.end() && isBlank(*p))
        ++p;
    bool negative = false;
    if (p != reply.end() && (*p == '+' || *p == '-'))
        negative = *p++ == '-';
    if (p == reply.end() || *p < '0' || *p > '9')
        return std::nullopt;
    // Held at the ends of the range: a number too large for 64 bits is too large for 32.
    qint64 magnitude = 0;
    if (std::from_chars(p, reply.end(), magnitude).ec != std::errc())
        magnitude = std::numeric_limits<qint64>::max();
    return qint32(std::clamp<qint64>(negative ? -magnitude : magnitude,
                                     std::numeric_limits<qint32>::min(),
                                     std::numeric_limits<qint32>::max()));
}

QByteArray replyLine(qint32 number) {
    return replyPrefix() + QByteArray::number(number) + '\n';
}
