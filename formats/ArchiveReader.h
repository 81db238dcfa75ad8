#pragma once

// Reads the values the games' class library stores in its archives (loading direction):
// little-endian numbers and length-prefixed strings. A read past the end, or a length that
// the remaining bytes cannot hold, fails and leaves the reader failed.

#include <QByteArray>
#include <QByteArrayView>
#include <QDataStream>
#include <QString>
#include <optional>

class ArchiveReader {
public:
    explicit ArchiveReader(QByteArrayView data);

    std::optional<quint32> readU32();
    // The next units UTF-16LE code units.
    std::optional<QString> readUtf16(quint32 units);
    // A length-prefixed string, its characters widened to UTF-16 units:
    //   byte < 0xFF                      length, 8-bit characters
    //   0xFF, then word 0xFFFE           UTF-16 characters; the length prefix starts again
    //   0xFF, then word < 0xFFFF         length
    //   0xFF, word 0xFFFF, then dword    length
    std::optional<QString> readString();

private:
    std::optional<QByteArray> readBytes(qint64 n);
    template <typename T> std::optional<T> read();

    QByteArray m_data; // the caller's bytes, not copied
    QDataStream m_stream;
};
