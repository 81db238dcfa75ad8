#pragma once

// The islands game keeps one file per island. Its first 200 bytes are a header masked with
// 0x6D that holds the island's name and its id; the file name's extension is the island's
// number (0 for the island being played).

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>
#include <optional>

inline constexpr qsizetype kIslandHeaderBytes = 200;

struct IslandHeader {
    QByteArray name; // at most 15 bytes
    QByteArray id;   // at most 63 bytes; the key under which a published island is remembered
};

// The header texts; nothing for a file shorter than the header.
std::optional<IslandHeader> readIslandHeader(QByteArrayView file);
// The number in a file name's extension ("island.3" gives 3, "island.0" gives 0); -1 when
// the name has none ("island", "island.", "island.00", "island.3a", "12").
qint32 islandNumber(QStringView fileName);
// Lowercase hex MD5 of an island file, as remembered when it is published.
QByteArray islandDigest(QByteArrayView file);
