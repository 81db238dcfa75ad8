#pragma once

// Shared by the decoder fuzz targets: whatever a decoder stores must survive being written as
// signed table text and read back. A mismatch stops the run.

#include "scores/ByteBuffer.h"
#include "scores/RecordTable.h"
#include "scores/SignedTable.h"

#include <cstdlib>

inline constexpr const char* kFuzzSalt = "4KQW71ZP8";

inline RecordTable FuzzTable() {
    RecordTable table;
    table.limit = 25;
    table.salt = kFuzzSalt;
    return table;
}

inline void CheckTableRoundTrip(RecordTable table) {
    if (table.gameNumber <= 0)
        table.gameNumber = 1;
    if (table.formatNumber <= 0)
        table.formatNumber = 1;
    if (table.title.empty())
        table.title = "Fuzz";
    table.SortAndTrim();
    ByteBuffer text;
    if (!WriteSignedTable(table, text, true) || !text.AppendByte(0))
        return;
    RecordTable back = FuzzTable();
    if (!ParseSignedTable(back, text) || !back.verified || back.gameNumber != table.gameNumber ||
        back.formatNumber != table.formatNumber || back.title != table.title ||
        back.Count() != table.Count())
        std::abort();
    for (std::size_t i = 0; i < table.records.size(); ++i) {
        const HighscoreRecord& a = table.records[i];
        const HighscoreRecord& b = back.records[i];
        if (a.name != b.name || a.score != b.score || a.extra != b.extra)
            std::abort();
    }
}

inline ByteBuffer FuzzBuffer(const std::uint8_t* data, std::size_t size) {
    ByteBuffer buffer;
    buffer.Append(data, static_cast<std::uint32_t>(size));
    buffer.SetPosition(0);
    return buffer;
}
