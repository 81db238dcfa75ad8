#pragma once

// The server's answer to an upload: "Highscores(" + marker + "):" + a decimal number.

#include <cstddef>
#include <optional>

// The reply marker the servers put between the parentheses. The program never sends it.
inline constexpr const char* kReplyMarker = "7hT2xK9m4Rd";

// The most reply bytes the program looks at.
inline constexpr std::size_t kReplyReadLimit = 100;

// Matches the start of a reply. The literal text must stand at the very first byte; blanks
// (space, tab, line feed, vertical tab, form feed, carriage return) may come before the
// number, which may carry a sign; anything after it is ignored, and the text ends at a zero
// byte. A number beyond the 32-bit range is clamped to it. Empty when there is no number.
std::optional<long long> MatchReply(const char* bytes, std::size_t length);

// The result code for a reply number: 0 stays 0, 1 to 12 map to their codes, anything else
// is UPLOAD_UNRECOGNIZED.
int ResultForReplyNumber(long long number);

// Matches reply bytes and maps them: UPLOAD_REQUEST_FAILED when nothing matches.
int ResultForReply(const char* bytes, std::size_t length);
