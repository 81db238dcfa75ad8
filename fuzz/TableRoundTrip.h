#pragma once

// Shared by the decoder fuzz targets: whatever a decoder stores must survive being written as
// table text and read back. A mismatch stops the run.

#include "formats/SignedTable.h"

#include <cstdlib>
#include <optional>

inline void checkTableRoundTrip(std::optional<HighscoreTable> decoded) {
    if (!decoded)
        return;
    HighscoreTable table = std::move(*decoded);
    if (table.game <= 0)
        table.game = 1;
    if (table.format <= 0)
        table.format = 1;
    if (table.title.isEmpty())
        table.title = "Fuzz";
    table.verified = true; // what is written is signed
    table.sortAndTrim();
    if (parseSignedTable(writeSignedTable(table)) != table)
        std::abort();
}

inline QByteArrayView fuzzBytes(const std::uint8_t* data, std::size_t size) {
    return QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size));
}
