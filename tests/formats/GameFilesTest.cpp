// The games' layouts: the level table, the masked archives, the statistics, and how
// decodeGameData picks a decoder and normalises its table.
#include "HighscoreWriters.h"
#include "Printers.h"

#include "formats/GameFiles.h"
#include "formats/SignedTable.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace writers;
using namespace Qt::Literals::StringLiterals;

namespace {

// The games' key strings, as the games themselves hold them.
constexpr char kQuilbitKey[] = "{6B1E0A7D-3C58-4f2a-B741-0D9E6C3A58F2}";
constexpr char kMarbeloKey[] = "{A94C2E17-5D03-4b6e-9E5A-73C1F08B24D6}";
constexpr char kDeminarKey[] = "{2F7D91C4-E06B-4a38-8C1F-5B2A9E7D403E}";

QByteArray le32(quint32 v) {
    return QByteArray(reinterpret_cast<const char*>(&v), 4);
}

std::vector<ArchiveEntry> tenEntries(std::vector<ArchiveEntry> first = {}) {
    first.resize(10, {QStringLiteral("Anonymous"), 100});
    return first;
}

const OwnerName kNoOwner = [] {
    ADD_FAILURE() << "the owner's name was asked for";
    return QByteArray();
};

TEST(LevelTable, DecodesNamesScoresAndLevels) {
    const auto table = decodeLevelTable(LevelTableFile({{u"Ann"_s, 1200, 7},
                                                        {u"Zo\u00eb"_s, 800, 3},
                                                        {QString(), 500, 2},
                                                        {u"A|B"_s, 10, 1},
                                                        {u"Cut\u0000here"_s, 9, 1},
                                                        {u"Minus"_s, -5, 1}}));
    ASSERT_TRUE(table);
    EXPECT_EQ(table->records, (QList<HighscoreRecord>{{"Ann", 1200, "Level: 7"},
                                                      {"Zo\xc3\xab", 800, "Level: 3"},
                                                      {"Cut", 9, "Level: 1"}}));
    for (const qint32 count : {0, -1, std::numeric_limits<qint32>::min()}) {
        const auto empty = decodeLevelTable(le32(quint32(count)));
        ASSERT_TRUE(empty) << count;
        EXPECT_TRUE(empty->records.isEmpty());
    }
}

TEST(LevelTable, EveryTruncationAndEveryOverlongLengthFails) {
    const QByteArray file = LevelTableFile({{u"Ann"_s, 1200, 7}, {u"Bob"_s, 900, 5}});
    for (qsizetype cut = 0; cut < file.size(); ++cut)
        EXPECT_FALSE(decodeLevelTable(file.first(cut))) << cut;
    EXPECT_FALSE(decodeLevelTable(le32(1) + le32(0x80000000u) + QByteArray(64, 'a')));
    EXPECT_FALSE(decodeLevelTable(le32(0x7FFFFFFF) + file.sliced(4)));
}

TEST(MaskedArchive, DecodesTenEntriesWithEveryLengthPrefix) {
    for (const ArchiveChars form : {ArchiveChars::Narrow, ArchiveChars::Wide}) {
        const QByteArray file = MaskedArchive(
            kQuilbitKey, u"Header text"_s,
            tenEntries({{u"Ann"_s, 3120}, {u"J\u00f6rg \u0141"_s, 2480}, {u"A|B"_s, 5}}), form);
        const auto table = decodeMaskedArchive(file, ArchiveKey::Quilbit);
        ASSERT_TRUE(table);
        ASSERT_EQ(table->records.size(), 9) << "the name with a bar is skipped";
        EXPECT_EQ(table->records[0], (HighscoreRecord{"Ann", 3120, ""}));
        EXPECT_EQ(table->records[1].name, "J\xc3\xb6rg \xc5\x81");
        EXPECT_EQ(table->records[8], (HighscoreRecord{"Anonymous", 100, ""}));
        // The wrong key gives other names: the mask is really applied.
        const auto wrong = decodeMaskedArchive(file, ArchiveKey::Marbelo);
        EXPECT_TRUE(!wrong || wrong->records.value(0).name != "Ann");
    }

    // Every length form, and the key wraps after 37 characters: the names run far past it.
    KeyMask mask(kMarbeloKey);
    QByteArray file = ArchiveStringBytes(mask.MaskedHexText(u"H"_s), ArchiveChars::Narrow);
    const ArchiveLength forms[] = {ArchiveLength::Shortest, ArchiveLength::Word,
                                   ArchiveLength::Dword};
    for (int i = 0; i < 10; ++i) { // one statement each: the mask runs in file order
        file += ArchiveStringBytes(mask.MaskedHexText(u"Player %1"_s.arg(i)),
                                   i % 2 ? ArchiveChars::Wide : ArchiveChars::Narrow, forms[i % 3]);
        file += mask.MaskedValue(100 + i);
    }
    const auto table = decodeMaskedArchive(file, ArchiveKey::Marbelo);
    ASSERT_TRUE(table);
    ASSERT_EQ(table->records.size(), 10);
    EXPECT_EQ(table->records[7], (HighscoreRecord{"Player 7", 107, ""}));
}

TEST(MaskedArchive, HexTextEndsAtThePairWithoutAHexDigit) {
    KeyMask mask(kQuilbitKey);
    QByteArray file = ArchiveStringBytes(mask.MaskedHexText(QString()), ArchiveChars::Narrow);
    // Lowercase hex digits read alike.
    const QString ann = QString::fromStdU16String(mask.MaskedHexText(u"Ann"_s)).toLower();
    ASSERT_TRUE(ann.contains(QRegularExpression(u"[a-f]"_s)));
    file += ArchiveStringBytes((ann + u"zz4142"_s).toStdU16String(), ArchiveChars::Narrow);
    file += mask.MaskedValue(7);
    for (int i = 1; i < 10; ++i) {
        file += ArchiveStringBytes(mask.MaskedHexText(u"B"_s), ArchiveChars::Narrow);
        file += mask.MaskedValue(1);
    }
    const auto table = decodeMaskedArchive(file, ArchiveKey::Quilbit);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->records.value(0), (HighscoreRecord{"Ann", 7, ""}));
    EXPECT_EQ(table->records.value(1), (HighscoreRecord{"B", 1, ""}));
}

TEST(MaskedArchive, ShortOrMalformedArchivesFail) {
    const QByteArray ten =
        MaskedArchive(kMarbeloKey, u"Header"_s, tenEntries(), ArchiveChars::Wide);
    const QByteArray three =
        MaskedArchive(kDeminarKey, u"Times"_s, {{u"A"_s, 1}, {u"B"_s, 2}, {u"C"_s, 3}});
    for (qsizetype cut = 0; cut < ten.size(); ++cut)
        EXPECT_FALSE(decodeMaskedArchive(ten.first(cut), ArchiveKey::Marbelo)) << cut;
    for (qsizetype cut = 0; cut < three.size(); ++cut)
        EXPECT_FALSE(decodeTimedArchive(three.first(cut), ArchiveKey::Deminar)) << cut;
    // Length prefixes that promise more than the archive holds.
    for (const QByteArray& prefix :
         {QByteArray("\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 7), QByteArray("\xFF\xFE\xFF\xFF\xFF\xFF", 6),
          QByteArray("\xFF\xFE\xFF\x80", 4), QByteArray("\xFF\xFD\xFF", 3),
          QByteArray("\xFF\xFF\xFF\x00\x00\x00\x80", 7), QByteArray("\xFF\xFE\xFF", 3)})
        EXPECT_FALSE(decodeMaskedArchive(prefix + QByteArray(64, 'A'), ArchiveKey::Quilbit))
            << prefix.toHex().constData();
}

TEST(TimedArchive, OnlyTheThirdEntryCountsWithScore999MinusTime) {
    constexpr qint32 kMin = std::numeric_limits<qint32>::min();
    constexpr qint32 kMax = std::numeric_limits<qint32>::max();
    for (const auto& [time, score] : std::initializer_list<std::pair<qint32, qint32>>{
             {250, 749}, {1200, 0}, {999, 0}, {0, 999}, {-1, 1000}, {kMin, kMax}}) {
        const auto table = decodeTimedArchive(
            MaskedArchive(kDeminarKey, u"Times"_s,
                          {{u"First"_s, 10}, {u"Second"_s, 20}, {u"Ann"_s, time}}),
            ArchiveKey::Deminar);
        ASSERT_TRUE(table) << time;
        EXPECT_EQ(table->records,
                  (QList<HighscoreRecord>{{"Ann", score, "Time: " + QByteArray::number(time)}}));
    }
}

TEST(Statistics, TheOwnerIsAskedOnlyWhenThereIsSomething) {
    const OwnerName ann = [] { return QByteArray("Ann"); };
    EXPECT_EQ(decodeSolitaireStatistics(0, 3, ann)->records.size(), 1);
    // Games won beyond the signed range is no score: no record, but a table.
    EXPECT_EQ(decodeSolitaireStatistics(1, 0x80000000u, ann)->records.size(), 0);
    EXPECT_FALSE(decodeSolitaireStatistics(0, 0, kNoOwner) || decodeModeStatistics(0, 0, kNoOwner));
}

TEST(DecodeGameData, DecodesNormalisesAndSignsTheTablesOfKnownGames) {
    const auto vondrel = decodeGameData(
        u"Zelk Vondrel", LevelTableFile({{u"Bob"_s, 900, 4}, {u"Ann"_s, 1200, 7}}), kNoOwner);
    ASSERT_TRUE(vondrel);
    EXPECT_EQ(vondrel->table,
              (HighscoreTable{
                  1, 1, "Zelk Vondrel", {{"Ann", 1200, "Level: 7"}, {"Bob", 900, "Level: 4"}}}));
    const QByteArray text = "1|1|Zelk Vondrel\nAnn|1200|Level: 7\nBob|900|Level: 4\n";
    EXPECT_EQ(vondrel->text, text + tableDigest(text));

    const auto archive = [](const char* key) {
        return MaskedArchive(key, u"H"_s, tenEntries({{u"Ann"_s, 300}}));
    };
    for (const auto& [id, data, game, title, first] : std::initializer_list<
             std::tuple<const char16_t*, QByteArray, qint32, const char*, HighscoreRecord>>{
             {u"QUILBIT", archive(kQuilbitKey), 2, "Zelk Quilbit", {"Ann", 300, ""}},
             {u"marbelo", archive(kMarbeloKey), 3, "Zelk Marbelo", {"Ann", 300, ""}},
             {u"paddlet", archive(kMarbeloKey), 6, "Zelk Paddlet", {"Ann", 300, ""}},
             {u"deminar",
              MaskedArchive(kDeminarKey, u"H"_s, {{u"A"_s, 1}, {u"B"_s, 2}, {u"Cy"_s, 250}}),
              5,
              "Zelk Deminar",
              {"Cy", 749, "Time: 250"}},
             {u"Marbelo SP",
              SignedTableText(9, 4, "Phone", {{"Bob", 10, ""}, {"Ann", 20, "x"}}),
              3,
              "Zelk Marbelo",
              {"Ann", 20, "x"}},
             {u"Solvane", le32(12) + le32(5), 4, "Zelk Solvane", {"Ann", 5, "Games: 12, won: 5"}},
             {u"Chomplet3",
              le32(4120) + le32(17),
              23,
              "Chomplet Continuous Average",
              {"Ann", 4120, "Games: 17"}}}) {
        const auto decoded = decodeGameData(id, data, [] { return QByteArray("Ann"); });
        ASSERT_TRUE(decoded) << QString::fromUtf16(id).toStdString();
        EXPECT_EQ(std::tuple(decoded->table.game, decoded->table.format, decoded->table.title),
                  std::tuple(game, 1, QByteArray(title)));
        EXPECT_EQ(decoded->table.records.value(0), first) << QString::fromUtf16(id).toStdString();
        EXPECT_EQ(decoded->text, writeSignedTable(decoded->table));
    }
}

TEST(DecodeGameData, AnUnknownGameKeepsItsOwnTableText) {
    const QByteArray text = SignedTableText(12, 2, "Trivia", {{"Bob", 10, ""}, {"Ann", 20, "x"}});
    const auto trivia = decodeGameData(u"Trivia Blitz", text, kNoOwner);
    ASSERT_TRUE(trivia);
    EXPECT_EQ(trivia->table,
              (HighscoreTable{12, 2, "Trivia", {{"Ann", 20, "x"}, {"Bob", 10, ""}}}));
    EXPECT_EQ(trivia->text, text);
    const QByteArray unsignedText = SignedTableText(12, 2, "T", {}, false) + QByteArray("\0x", 2);
    EXPECT_EQ(decodeGameData(u"other", unsignedText, kNoOwner)->text, unsignedText);
}

TEST(DecodeGameData, WhatFailsAndTheHeldNulByte) {
    const QByteArray oneEntry = LevelTableFile({{u"Ann"_s, 7, 1}});
    for (const auto& [id, data, decodes] :
         std::initializer_list<std::tuple<const char16_t*, QByteArray, bool>>{
             {u"Trivia Blitz", "0|1|T\n", false},
             {u"vondrel", "", false},
             {u"vondrel", QByteArray(4, '\0'), true},
             // A file's last byte may be missing when it is 0: the held NUL stands in for it.
             {u"vondrel", oneEntry.chopped(1), true},
             {u"vondrel", oneEntry.chopped(2), false},
             {u"solvane", le32(0) + le32(0), false},
             {u"solvane", QByteArray(7, '\1'), true},
             {u"chomplet0", QByteArray(6, '\1'), false}})
        EXPECT_EQ(decodeGameData(id, data, [] { return QByteArray("Ann"); }).has_value(), decodes)
            << QString::fromUtf16(id).toStdString() << " " << data.toHex().constData();
}

} // namespace
