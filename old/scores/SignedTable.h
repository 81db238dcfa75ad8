#pragma once

// The signed table text: the common text layout of a highscore table.
//
//   game|format|title\n          header: two numbers other than 0 and a non-empty title
//   name|score|extra\n           zero or more records: non-empty name, score of 0 or more
//   0123456789abcdef...          32 lowercase hex digits: MD5 of all text up to and
//                                including the last line feed, followed by the salt
//
// A field reaches to the next "|" or the end of its row; only its first 1023 bytes count.

#include "scores/ByteBuffer.h"
#include "scores/RecordTable.h"

#include <string>
#include <string_view>

// 32 lowercase hex digits of the MD5 digest of text followed by salt.
std::string SignedTableDigest(std::string_view text, std::string_view salt);

// Reads data (from its first byte up to the first zero byte) into table. The table is reset
// first; verified tells afterwards whether the stored digest matched, which does not decide
// the result. False for a header or record row that cannot be read; records read before such
// a row stay in the table. Records are sorted, highest score first, and cut to the limit.
bool ParseSignedTable(RecordTable& table, ByteBuffer& data);

// Replaces data with table's text. The digest is appended when the table is verified or force
// is set; no zero byte follows it. False when data could not grow (data is then incomplete).
bool WriteSignedTable(const RecordTable& table, ByteBuffer& data, bool force);
