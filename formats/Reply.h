#pragma once

// The sites answer an upload with one line: "Highscores(" + marker + "):" + a number.

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

// The marker between the parentheses. The program never sends it.
inline constexpr char kReplyMarker[] = "7hT2xK9m4Rd";
// The most reply bytes the program looks at.
inline constexpr qsizetype kReplyReadLimit = 100;

// The reply number. The literal text must stand at the very first byte; blanks may come
// before the number, which may carry a sign; anything after it is ignored, and the text ends
// at a NUL byte. A number beyond the 32-bit range is held at its ends. Nothing when there is
// no number.
std::optional<qint32> matchReply(QByteArrayView reply);
// The line a site answers with, line feed included.
QByteArray replyLine(qint32 number);
