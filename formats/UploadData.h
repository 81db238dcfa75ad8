#pragma once

// What one upload carries, before and after the text encoding that makes it the request
// body. Both sites receive the encoded text with the content type multipart/form-data and no
// boundary.
//
// Table layout:   table text, "\n", chosen indices as "0,3,4", ":", e-mail address
// Islands layout: client token "\n" "1001|10|Zelk Skyholm" "\n" email ":" password "\n" NUL,
//                 then per island a 32-bit little-endian byte count and the file's bytes,
//                 then a zero count and the end mark 0x3C8E6A27 (little-endian).

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <optional>

inline constexpr char kIslandsClientToken[] = "C7E20B94";
inline constexpr char kIslandsHeaderLine[] = "1001|10|Zelk Skyholm";
inline constexpr quint32 kIslandsEndMark = 0x3C8E6A27;

// The chosen entry indices as "0,3,4".
QByteArray chosenAsText(const QList<quint32>& chosen);

QByteArray tableUploadData(QByteArrayView tableText, const QList<quint32>& chosen,
                           QByteArrayView email);
// files: the island files sent, in order; empty files are left out.
QByteArray islandsUploadData(QByteArrayView email, QByteArrayView password,
                             const QList<QByteArray>& files);

struct TableUpload {
    QByteArray tableText;
    QList<quint32> chosen;
    QByteArray email;
};
struct IslandsUpload {
    QByteArray email;
    QByteArray password;
    QList<QByteArray> files;
};
// The inverses, for the receiving side: nothing for data that does not follow the layout.
std::optional<TableUpload> parseTableUpload(QByteArrayView data);
std::optional<IslandsUpload> parseIslandsUpload(QByteArrayView data);

// The program's Base64 variant: the alphabet's last two characters are "_" and "-", the
// pad is ".".
QByteArray encodeBody(QByteArrayView data);
// Nothing for text the encoder cannot produce.
std::optional<QByteArray> decodeBody(QByteArrayView text);
