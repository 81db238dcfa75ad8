#pragma once

// The two layouts of upload data, once the body's encoding is undone.
//
// Table upload:    signed table text, line feed, chosen record indices ("0,3,4"), ":", e-mail
// Islands upload:  client token, line feed, header text, line feed, "e-mail:password",
//                  line feed, zero byte, then per island file its byte count (32-bit
//                  little-endian) and bytes, then a zero count and the end mark

#include <QByteArray>
#include <QByteArrayView>
#include <optional>
#include <vector>

struct TableUpload {
    QByteArray tableText;    // as received, digest included
    std::vector<int> chosen; // record indices, in the order sent
    QByteArray email;        // empty for an anonymous upload
};

// The table text ends before the last line feed; what follows is the chosen list, a colon and
// the e-mail address (which therefore holds no line feed). Empty when the data does not have
// this shape or an index is not a plain decimal number.
std::optional<TableUpload> ReadTableUpload(QByteArrayView data);

struct IslandsUpload {
    QByteArray email;
    QByteArray password;
    std::vector<QByteArray> islands; // whole island files
};

// Empty when the token, the header text or the island list (counts that run past the data,
// a missing end mark, bytes after it) is not what the program writes.
std::optional<IslandsUpload> ReadIslandsUpload(QByteArrayView data);
