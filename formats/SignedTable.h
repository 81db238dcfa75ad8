#pragma once

// The signed table text: the common text layout of a highscore table.
//
//   game|format|title\n          header: two numbers other than 0 and a non-empty title
//   name|score|extra\n           zero or more records: non-empty name, score of 0 or more
//   0123456789abcdef...          32 lowercase hex digits: MD5 of all text up to and
//                                including the last line feed, followed by the salt
//
// A field reaches to the next "|" or the end of its row; only its first 1023 bytes count.

#include "formats/HighscoreTable.h"

#include <QByteArrayView>
#include <optional>

// Salt appended to a table's text before its digest.
inline constexpr char kTableSalt[] = "4KQW71ZP8";
// Only this many bytes of a field count when a table text is read.
inline constexpr qsizetype kTableFieldBytes = 1023;

// 32 lowercase hex digits of the MD5 digest of text followed by the salt.
QByteArray tableDigest(QByteArrayView text);

// Reads a table text up to its first NUL byte. Nothing when the header or a record row cannot
// be read; a text without a single line feed has no rows and gives an empty table of game 0.
// verified tells whether the stored digest matched, which does not decide the result. The
// records come sorted, highest score first, and cut to kMaxRecords.
std::optional<HighscoreTable> parseSignedTable(QByteArrayView text);

// The table's text followed by its digest (over the text up to its first NUL, as a reader
// sees it).
QByteArray writeSignedTable(const HighscoreTable& table);
