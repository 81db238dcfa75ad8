#pragma once

// What the server shares with the program that uploads to it: the upload encoding, the reply
// line, the signed table text with its digest, the island file header and the e-mail rule.
// These are the program's own functions; this file and ProgramCode.cpp are the only places
// in the server that call into the program's code.

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <optional>
#include <vector>

namespace programcode {

// "Highscores(<marker>):<number>" and a line feed, the answer to every upload.
QByteArray ReplyLine(int number);

// The bytes the program encoded into text; empty for any text its encoder cannot produce.
std::optional<QByteArray> DecodeBody(QByteArrayView text);

// The program's rule for an e-mail address: empty, or its first "@" neither first nor last.
bool IsAcceptableEmail(QByteArrayView address);

// The first two lines of an islands upload and the mark that ends its island list.
QByteArray IslandsClientToken();
QByteArray IslandsHeaderText();
std::uint32_t IslandsEndMark();

struct TableRecord {
    QByteArray name;
    std::int32_t score = 0;
    QByteArray extra;
};

struct SignedTable {
    std::int32_t game = 0;
    std::int32_t format = 0;
    QByteArray title;
    std::vector<TableRecord> records; // sorted and cut as the program keeps them
    bool verified = false;            // the digest matched
};

// Reads a signed table text as the program does: its records sorted highest score first and
// cut to the program's table size, so that record indices mean what they meant to the
// program. Empty when the program would refuse the text or the text has no header row; a
// wrong digest only leaves verified false.
std::optional<SignedTable> ParseSignedTable(QByteArrayView text);

struct IslandHeader {
    QByteArray name; // the island's name
    QByteArray id;   // the island's id, under which the program remembers it
};

// The two texts of an island file's masked header; empty for a file shorter than the header.
std::optional<IslandHeader> ReadIslandHeader(QByteArrayView file);

} // namespace programcode
