#pragma once

// How failed expectations show records.

#include "formats/HighscoreTable.h"

#include <ostream>

inline void PrintTo(const HighscoreRecord& record, std::ostream* out) {
    *out << '"' << record.name.toStdString() << "\", " << record.score << ", \""
         << record.extra.toStdString() << '"';
}
