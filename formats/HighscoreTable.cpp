#include "formats/HighscoreTable.h"

#include "formats/SignedTable.h"

#include <algorithm>

namespace {

// Bytes that would end a field or a row early, or cut the text short where it is read as a
// NUL-terminated string.
constexpr QByteArrayView kSeparators{"|\n\r\0", 4};

bool isStorableField(const QByteArray& text) {
    return text.size() <= kTableFieldBytes &&
           std::none_of(text.begin(), text.end(), [](char c) { return kSeparators.contains(c); });
}

} // namespace

void HighscoreTable::addBounded(HighscoreRecord record) {
    if (records.size() >= kMaxRecords && record.score <= records.constLast().score)
        return;
    records.append(std::move(record));
}

void HighscoreTable::sortAndTrim() {
    std::stable_sort(
        records.begin(), records.end(),
        [](const HighscoreRecord& a, const HighscoreRecord& b) { return a.score > b.score; });
    if (records.size() > kMaxRecords)
        records.resize(kMaxRecords);
}

bool isStorableRecord(const HighscoreRecord& record) {
    return !record.name.isEmpty() && record.score >= 0 && isStorableField(record.name) &&
           isStorableField(record.extra);
}

QByteArray entryText(const HighscoreRecord& record) {
    const QByteArray extra = record.extra.first(std::min(record.extra.size(), kTableFieldBytes));
    QByteArray text = record.name.first(std::min(record.name.size(), kTableFieldBytes)) + ", " +
                      QByteArray::number(record.score) + " points";
    if (!extra.isEmpty())
        text += ", " + extra;
    return text;
}
