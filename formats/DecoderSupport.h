#pragma once

// What the game decoders share: how they add a record and how names become 8-bit text.

#include "formats/HighscoreTable.h"

#include <QStringView>

// A record the table text could not carry unchanged is skipped; the rest go in bounded.
inline void addDecodedRecord(HighscoreTable& table, HighscoreRecord record) {
    if (isStorableRecord(record))
        table.addBounded(std::move(record));
}

// UTF-16 text from a game's file, up to its first NUL, in the system code page.
inline QByteArray localText(QStringView text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return (nul < 0 ? text : text.first(nul)).toLocal8Bit();
}
