#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One highscore entry. Names and extra texts are 8-bit text in the system code page.
struct HighscoreRecord {
    std::string name;
    std::int32_t score = 0;
    std::string extra;
};

// A source's decoded table with its header.
struct RecordTable {
    std::vector<HighscoreRecord> records;
    std::int32_t limit = 0; // most records the table keeps
    std::string salt;       // appended to the table text before its digest
    std::string title;
    std::int32_t gameNumber = 0;
    std::int32_t formatNumber = 0;
    bool verified = true; // the digest of a signed table text matched
    std::int32_t cursor = -1;

    std::int32_t Count() const { return static_cast<std::int32_t>(records.size()); }
    bool IsValidIndex(std::int32_t index) const { return index >= 0 && index < Count(); }

    // Drops every record and the header; limit and salt stay.
    void Reset();
    // Adds a record unless the table is full and the record scores no higher than the last one.
    void AddRecordBounded(HighscoreRecord record);
    // Highest score first, then cut to the limit.
    void SortAndTrim();
};
