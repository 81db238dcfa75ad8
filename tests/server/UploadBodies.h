#pragma once

// Upload data as the program builds it, for the server's tests. The program's own encoder
// makes the bodies (the only place these tests take from its code).

#include "HighscoreWriters.h"
#include "formats/UploadData.h"

#include <QByteArray>
#include <string>
#include <vector>

inline std::string Le32(std::uint32_t v) {
    return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}

inline QByteArray Encoded(const std::string& data) {
    return encodeBody(QByteArray::fromStdString(data));
}

// A signed table text (digest included) as std::string.
inline std::string TableText(std::int64_t game, const std::string& title,
                             const std::vector<writers::TextRecord>& records, bool sign = true) {
    return writers::SignedTableText(game, 1, title, records, sign).toStdString();
}

// Table layout: the text, a line feed, the chosen indices, a colon, the e-mail address.
inline std::string TableData(const std::string& text, const std::string& chosen,
                             const std::string& email) {
    return text + "\n" + chosen + ":" + email;
}

// Islands layout up to the island records: token, header text, "e-mail:password", zero byte.
inline std::string IslandsHead(const std::string& account) {
    return std::string("C7E20B94\n1001|10|Zelk Skyholm\n") + account + "\n" + std::string(1, '\0');
}

// The whole islands layout with these island files.
inline std::string IslandsData(const std::string& account, const std::vector<QByteArray>& files) {
    std::string data = IslandsHead(account);
    for (const QByteArray& file : files)
        data += Le32(std::uint32_t(file.size())) + file.toStdString();
    return data + Le32(0) + Le32(0x3C8E6A27);
}

inline QByteArray Island(const std::string& name, const std::string& id, const char* body) {
    return writers::IslandFileBytes(name, id, QByteArray(body));
}
