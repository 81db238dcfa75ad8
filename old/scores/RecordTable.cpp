#include "scores/RecordTable.h"

#include <algorithm>
#include <new>

void RecordTable::Reset() {
    std::vector<HighscoreRecord>().swap(records);
    title.clear();
    gameNumber = 0;
    formatNumber = 0;
    verified = true;
    cursor = -1;
}

void RecordTable::AddRecordBounded(HighscoreRecord record) {
    if (Count() >= limit && !records.empty() && record.score <= records.back().score)
        return;
    try {
        records.push_back(std::move(record));
    } catch (const std::bad_alloc&) {
        // The record is dropped; the table stays as it was.
    }
}

void RecordTable::SortAndTrim() {
    std::stable_sort(
        records.begin(), records.end(),
        [](const HighscoreRecord& a, const HighscoreRecord& b) { return a.score > b.score; });
    if (limit >= 0 && Count() > limit)
        records.resize(static_cast<std::size_t>(limit));
    if (!IsValidIndex(cursor))
        cursor = -1;
}
