// The table text and the table rules: reading, writing, the digest, bounded insertion, what
// the tree shows of a record, and the catalogue.
#include "HighscoreWriters.h"
#include "Printers.h"

#include "formats/GameCatalogue.h"
#include "formats/SignedTable.h"

#include <gtest/gtest.h>

namespace {

// md5("3|1|Zelk Marbelo\nAnn|2400|\nBob|1900|\n4KQW71ZP8"), computed outside the program.
const QByteArray kMarbeloText = "3|1|Zelk Marbelo\nAnn|2400|\nBob|1900|\n";
const QByteArray kMarbeloDigest = "b315737c287dc523330cbefa5137d58d";

TEST(SignedTable, ReadsAndWritesTheTextAndItsDigest) {
    const HighscoreTable marbelo{3, 1, "Zelk Marbelo", {{"Ann", 2400, ""}, {"Bob", 1900, ""}}};
    EXPECT_EQ(parseSignedTable(kMarbeloText + kMarbeloDigest), marbelo);
    EXPECT_EQ(writeSignedTable(marbelo), kMarbeloText + kMarbeloDigest);

    // Text, whether the digest matches, records read. The digest does not decide the result.
    const QByteArray changed = QByteArray(kMarbeloText).replace("2400", "2500") + kMarbeloDigest;
    for (const auto& [text, verified, records] :
         std::initializer_list<std::tuple<QByteArray, bool, qsizetype>>{
             {changed, false, 2},
             {kMarbeloText, false, 2},
             {kMarbeloText + kMarbeloDigest + "\r", false, 2},
             {kMarbeloText + kMarbeloDigest.toUpper(), false, 2},
             {kMarbeloText + kMarbeloDigest + QByteArray("\0Eve|9|\n", 8), true, 2},
             {"3|1|T\nAnn|5|\nBob|7|", false, 1}, // a last row without line feed is no record
             {"3|1|T\nAnn|5|\nx|" + tableDigest("3|1|T\nAnn|5|\n"), false, 1}, // "|": no digest
             {"no row at all", false, 0},
             {QByteArray("\0003|1|T\n", 7), false, 0}}) {
        const auto parsed = parseSignedTable(text);
        ASSERT_TRUE(parsed) << text.constData();
        EXPECT_EQ(parsed->verified, verified) << text.constData();
        EXPECT_EQ(parsed->records.size(), records) << text.constData();
    }
    EXPECT_EQ(parseSignedTable("").value().game, 0);
}

TEST(SignedTable, RefusesBadHeadersAndRecordRows) {
    for (const char* text :
         {"0|1|T\n", "3|0|T\n", "x|1|T\n", "3|1|\n", "3|1\n", "|1|T\n", "-3|1|T\n", "3|-1|T\n",
          "2147483648|1|T\n", "99999999999999999999|1|T\n", "3|1|T\nAnn|-1|\n", "3|1|T\n|5|\n",
          "3|1|T\nAnn||\n", "3|1|T\nAnn\n", "3|1|T\nAnn|x5|\n", "3|1|T\nAnn|+-5|\n",
          "3|1|T\nAnn|2147483648|\n", "3|1|T\n\n", "3|1|T\nAnn|5|\nBob|-2|\n"})
        EXPECT_FALSE(parseSignedTable(text)) << text;
}

TEST(SignedTable, ReadsNumbersLikeTheGamesAndKeepsWhatATableKeeps) {
    EXPECT_EQ(
        parseSignedTable(" \v12abc|+4|Title|ignored\nAnn|\t\f 42 points|Level: 3|more\nBob|+7\n"),
        (HighscoreTable{12, 4, "Title", {{"Ann", 42, "Level: 3"}, {"Bob", 7, ""}}, false}));
    EXPECT_EQ(
        parseSignedTable("3|1|T\n" + QByteArray(1500, 'n') + "|5|" + QByteArray(2000, 'e') + "\n")
            .value()
            .records.value(0),
        (HighscoreRecord{QByteArray(1023, 'n'), 5, QByteArray(1023, 'e')}));

    std::vector<writers::TextRecord> rows;
    QList<HighscoreRecord> expected;
    for (int i = 0; i < 40; ++i) {
        rows.push_back({"P" + std::to_string(i), (i * 7) % 12, ""});
        expected.append({"P" + QByteArray::number(i), (i * 7) % 12, ""});
    }
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return a.score > b.score; });
    EXPECT_EQ(parseSignedTable(writers::SignedTableText(9, 1, "T", rows)).value().records,
              expected.first(kMaxRecords))
        << "the highest scores, equal ones in file order";
}

TEST(HighscoreTable, StorableRecordsAndBoundedInsertion) {
    EXPECT_TRUE(isStorableRecord({QByteArray(1023, 'a'), 0, QByteArray(1023, 'b')}));
    for (const HighscoreRecord& bad : {HighscoreRecord{"", 5, ""},
                                       {"Ann", -1, ""},
                                       {"Ann", 5, QByteArray(1024, 'b')},
                                       {QByteArray(1024, 'a'), 5, ""},
                                       {"A|n", 5, ""},
                                       {"A\nn", 5, ""},
                                       {"Ann", 5, "x\r"},
                                       {"Ann", 5, QByteArray("x\0", 2)}})
        EXPECT_FALSE(isStorableRecord(bad)) << bad.name.constData() << bad.extra.constData();

    HighscoreTable table;
    for (int i = 0; i < kMaxRecords; ++i)
        table.addBounded({"p", 100 - i, ""});
    table.addBounded({"equal to the last", 100 - kMaxRecords + 1, ""});
    EXPECT_EQ(table.records.size(), kMaxRecords);
    table.addBounded({"above the last", 90, ""});
    table.addBounded({"tie", 90, ""}); // compared with the last one added, not the lowest
    EXPECT_EQ(table.records.size(), kMaxRecords + 1);
    table.sortAndTrim();
    ASSERT_EQ(table.records.size(), kMaxRecords);
    EXPECT_EQ(table.records[11].name, "above the last") << "equal scores keep their order";
}

TEST(HighscoreTable, EntryTextsAndFactoryEntries) {
    EXPECT_EQ(entryText({"Ann", 1200, "Level: 7"}), "Ann, 1200 points, Level: 7");
    EXPECT_EQ(entryText({"Bob", 50, ""}), "Bob, 50 points");
    EXPECT_EQ(entryText({QByteArray(2000, 'n'), 1, QByteArray(1030, 'e')}),
              QByteArray(1023, 'n') + ", 1 points, " + QByteArray(1023, 'e'));

    // The games' own entries in an empty table, and the "[default]" mark, are the factory's.
    const struct {
        qint32 game;
        HighscoreRecord record;
        bool factory;
    } cases[] = {
        {1, {"Player 8", 12500, "Level: 14"}, true},
        {1, {"Player 8", 12501, "Level: 14"}, false},
        {2, {"Anonymous", 100, ""}, true},
        {2, {"Anonymous", 100, "x"}, false},
        {5, {"Anonymous", 0, "Time: 999"}, true},
        {5, {"Ann", 0, ""}, true},
        {5, {"Ann", 1, ""}, false},
        {0, {"Ann", 500, ""}, true},
        {4, {"Ann", 1, "[default]"}, false},
        {27, {"Ann", 0, ""}, true},
        {20, {"Ann", 5, "[default] x"}, false},
        {7, {"Ann", 5, "[default] x"}, true},
        {1001, {"Ann", 5, "[default]"}, true},
        {7, {"Ann", 5, "[default"}, false},
        {7, {"Ann", -5, ""}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isFactoryEntry(c.game, c.record), c.factory)
            << c.game << " " << c.record.name.constData() << " " << c.record.score;
}

TEST(GameCatalogue, IdsFilesTitlesAndIcons) {
    for (const auto& [id, game, file] :
         std::initializer_list<std::tuple<const char16_t*, qint32, const char16_t*>>{
             {u"VonDrel", 1, u"HighScores.sco"},
             {u" vondrel", 0, u"HighScores.sco"},
             {u"Zelk Paddlet", 6, u"records.dat"},
             {u"Marbelo SP", 3, u"HighScores.sco"},
             {u"chomplet8", 0, u"HighScores.sco"}}) {
        EXPECT_EQ(gameForId(id), game) << QString::fromUtf16(id).toStdString();
        EXPECT_EQ(highscoreFileName(id), QString::fromUtf16(file));
    }
    // The puzzle game's tables are 20 to 27; the numbers around them are no table.
    for (const auto& [game, title, icon] :
         std::initializer_list<std::tuple<qint32, const char*, const char16_t*>>{
             {20, "Chomplet Standard High", u"chomplet"},
             {27, "Chomplet Megaslide Average", u"chomplet"},
             {19, "", u"unknown"},
             {28, "", u"unknown"},
             {1001, "Zelk Skyholm", u"islands"}}) {
        EXPECT_EQ(gameTitle(game), title) << game;
        EXPECT_EQ(gameIconName(game), QString::fromUtf16(icon)) << game;
    }
}

} // namespace
