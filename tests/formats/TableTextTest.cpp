// The table text and the table rules: reading, writing, the digest, bounded insertion, and
// what the tree shows of a record.
#include "HighscoreWriters.h"
#include "Printers.h"

#include "formats/GameCatalogue.h"
#include "formats/SignedTable.h"

#include <gtest/gtest.h>
#include <random>

namespace {

// md5("3|1|Zelk Marbelo\nAnn|2400|\nBob|1900|\n4KQW71ZP8"), computed outside the program.
const QByteArray kMarbeloText = "3|1|Zelk Marbelo\nAnn|2400|\nBob|1900|\n";
const QByteArray kMarbeloDigest = "b315737c287dc523330cbefa5137d58d";

TEST(SignedTable, ReadsHeaderAndRecordsAndChecksTheDigest) {
    const auto table = parseSignedTable(kMarbeloText + kMarbeloDigest);
    ASSERT_TRUE(table);
    EXPECT_EQ(*table,
              (HighscoreTable{3, 1, "Zelk Marbelo", {{"Ann", 2400, ""}, {"Bob", 1900, ""}}}));
    EXPECT_EQ(tableDigest(kMarbeloText), kMarbeloDigest);

    QByteArray changed = kMarbeloText + kMarbeloDigest;
    changed.replace("2400", "2500");
    const struct {
        QByteArray text;
        bool verified;
        qsizetype records;
    } cases[] = {
        {changed, false, 2},
        {kMarbeloText, false, 2},
        {kMarbeloText + kMarbeloDigest + "\r", false, 2},
        {kMarbeloText + kMarbeloDigest.toUpper(), false, 2},
        {kMarbeloText + kMarbeloDigest + QByteArray("\0Eve|9|\n", 8), true, 2}, // ends at NUL
        {"3|1|T\nAnn|5|\nBob|7|", false, 1}, // a last row without line feed is the digest
        // Text after the last line feed holding a "|" is no digest, whatever it ends with.
        {"3|1|T\nAnn|5|\nx|" + tableDigest("3|1|T\nAnn|5|\n"), false, 1},
        {"", false, 0},
        {"no row at all", false, 0},
    };
    for (const auto& c : cases) {
        const auto parsed = parseSignedTable(c.text);
        ASSERT_TRUE(parsed) << c.text.constData();
        EXPECT_EQ(parsed->verified, c.verified) << c.text.constData();
        EXPECT_EQ(parsed->records.size(), c.records) << c.text.constData();
    }
    EXPECT_EQ(parseSignedTable("no row")->game, 0);
}

TEST(SignedTable, RefusesBadHeadersAndRecordRows) {
    for (const char* text :
         {"0|1|T\n", "3|0|T\n", "x|1|T\n", "3|1|\n", "3|1\n", "3\n", "|1|T\n", "-3|1|T\n",
          "2147483648|1|T\n", "99999999999999999999|1|T\n", "3|1|T\nAnn|-1|\n", "3|1|T\n|5|\n",
          "3|1|T\nAnn||\n", "3|1|T\nAnn\n", "3|1|T\nAnn|x5|\n", "3|1|T\nAnn|+-5|\n",
          "3|1|T\nAnn|2147483648|\n", "3|1|T\n\n", "3|1|T\nAnn|5|\nBob|-2|\n"})
        EXPECT_FALSE(parseSignedTable(text)) << text;
}

TEST(SignedTable, ReadsNumbersLikeTheGamesAndKeeps1023BytesOfAField) {
    const auto table =
        parseSignedTable(" 12abc|+4|Title|ignored\nAnn| 42 points|Level: 3|more\nBob|+7\n");
    ASSERT_TRUE(table);
    EXPECT_EQ(*table,
              (HighscoreTable{12, 4, "Title", {{"Ann", 42, "Level: 3"}, {"Bob", 7, ""}}, false}));

    const auto longField =
        parseSignedTable("3|1|T\n" + QByteArray(1500, 'n') + "|5|" + QByteArray(2000, 'e') + "\n");
    ASSERT_TRUE(longField);
    EXPECT_EQ(longField->records.value(0),
              (HighscoreRecord{QByteArray(1023, 'n'), 5, QByteArray(1023, 'e')}));
}

TEST(SignedTable, KeepsTheHighestScoresInOrder) {
    std::vector<writers::TextRecord> rows;
    for (int i = 0; i < 30; ++i)
        rows.push_back({"P" + std::to_string(i), (i * 7) % 30, ""});
    const auto table = parseSignedTable(writers::SignedTableText(9, 1, "T", rows));
    ASSERT_TRUE(table);
    ASSERT_EQ(table->records.size(), kMaxRecords);
    EXPECT_EQ(table->records.first().score, 29);
    EXPECT_EQ(table->records.last().score, 5);
}

TEST(SignedTable, WritesTextAndDigest) {
    const HighscoreTable table{3, 1, "Zelk Marbelo", {{"Ann", 2400, ""}, {"Bob", 1900, ""}}};
    EXPECT_EQ(writeSignedTable(table), kMarbeloText + kMarbeloDigest);
}

// Random records, nasty bytes included, go through the decoders' rule (isStorableRecord and
// bounded insertion); what is written must read back as the very same table.
TEST(SignedTable, WrittenTablesReadBackUnchanged) {
    std::mt19937 random(20240611);
    const QByteArray alphabet("abcXYZ019 |\n\r:-+\xc3\xa9\0", 19);
    const auto randomText = [&](qsizetype longest) {
        QByteArray text(std::uniform_int_distribution<qsizetype>(0, longest)(random), '\0');
        const bool plain = random() % 3 != 0;
        for (char& c : text)
            c = alphabet[qsizetype(random() % (plain ? 6 : alphabet.size()))];
        return text;
    };
    int stored = 0;
    for (int round = 0; round < 300; ++round) {
        HighscoreTable table{1 + qint32(random() % 0x7FFFFFFF),
                             1 + qint32(random() % 5),
                             "Title " + QByteArray::number(round),
                             {}};
        for (int i = int(random() % 40); i > 0; --i) {
            qint32 score = qint32(random() % 5000);
            if (random() % 8 == 0)
                score = -score - 1;
            HighscoreRecord record{randomText(random() % 10 ? 12 : 1100), score, randomText(12)};
            if (isStorableRecord(record))
                table.addBounded(std::move(record));
        }
        table.sortAndTrim();
        stored += int(table.records.size());
        const auto back = parseSignedTable(writeSignedTable(table));
        ASSERT_TRUE(back) << round;
        EXPECT_EQ(*back, table) << round;
    }
    EXPECT_GT(stored, 1000) << "the generator should store plenty of records";
}

TEST(HighscoreTable, StorableRecordsAndBoundedInsertion) {
    EXPECT_TRUE(isStorableRecord({QByteArray(1023, 'a'), 0, QByteArray(1023, 'b')}));
    for (const HighscoreRecord& bad :
         {HighscoreRecord{"", 5, ""}, HighscoreRecord{"Ann", -1, ""},
          HighscoreRecord{"Ann", 5, QByteArray(1024, 'b')},
          HighscoreRecord{QByteArray(1024, 'a'), 5, ""}, HighscoreRecord{"A|n", 5, ""},
          HighscoreRecord{"A\nn", 5, ""}, HighscoreRecord{"Ann", 5, "x\r"},
          HighscoreRecord{"Ann", 5, QByteArray("x\0", 2)}})
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
    EXPECT_EQ(table.records[10].name, "p");
    EXPECT_EQ(table.records[11].name, "above the last") << "equal scores keep their order";
}

TEST(HighscoreTable, EntryTextsAndFactoryEntries) {
    EXPECT_EQ(entryText({"Ann", 1200, "Level: 7"}), "Ann, 1200 points, Level: 7");
    EXPECT_EQ(entryText({"Bob", 50, ""}), "Bob, 50 points");
    EXPECT_EQ(entryText({QByteArray(2000, 'n'), 1, QByteArray(1030, 'e')}),
              QByteArray(1023, 'n') + ", 1 points, " + QByteArray(1023, 'e'));

    const struct {
        qint32 game;
        HighscoreRecord record;
        bool factory;
    } cases[] = {
        {1, {"Player 3", 3000, "Level: 7"}, true},
        {1, {"Player 3", 3001, "Level: 7"}, false},
        {1, {"player 3", 3000, "Level: 7"}, false},
        {2, {"Anonymous", 100, ""}, true},
        {2, {"Anonymous", 100, "x"}, false},
        {3, {"Anonymous", 100, ""}, true},
        {5, {"Anonymous", 0, "Time: 999"}, true},
        {5, {"Ann", 0, ""}, true},
        {6, {"Anonymous", 0, ""}, true},
        {6, {"Anonymous", 100, ""}, false},
        {0, {"Ann", 500, ""}, true},
        {4, {"Ann", 1, "[default]"}, false},
        {4, {"Ann", 0, ""}, true},
        {27, {"Ann", 0, ""}, true},
        {20, {"Ann", 5, "[default] x"}, false},
        {1, {"Ann", 5, "[default]"}, true},
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
    const struct {
        const char* id;
        qint32 game;
        const char* file;
    } ids[] = {
        {"vondrel", 1, "HighScores.sco"},      {"VonDrel", 1, "HighScores.sco"},
        {"Zelk Vondrel", 1, "HighScores.sco"}, {" vondrel", 0, "HighScores.sco"},
        {"quilbit", 2, "records.dat"},         {"marbelo", 3, "records.dat"},
        {"Marbelo SP", 3, "HighScores.sco"},   {"zelk solvane", 4, "HighScores.sco"},
        {"deminar", 5, "records.dat"},         {"courtwise", 6, "records.dat"},
        {"Zelk Paddlet", 6, "records.dat"},    {"Chomplet7", 27, "HighScores.sco"},
        {"chomplet8", 0, "HighScores.sco"},    {"", 0, "HighScores.sco"},
    };
    for (const auto& c : ids) {
        EXPECT_EQ(gameForId(QString::fromUtf8(c.id)), c.game) << c.id;
        EXPECT_EQ(highscoreFileName(QString::fromUtf8(c.id)), QString::fromUtf8(c.file)) << c.id;
    }
    EXPECT_TRUE(isMarbeloSmartphone(u"MARBELO sp"));
    EXPECT_FALSE(isMarbeloSmartphone(u"marbelo"));

    EXPECT_EQ(gameTitle(6), "Zelk Paddlet");
    EXPECT_EQ(gameTitle(20), "Chomplet Standard High");
    EXPECT_EQ(gameTitle(25), "Chomplet Shifter Average");
    EXPECT_EQ(gameTitle(27), "Chomplet Megaslide Average");
    for (int game : {0, 7, 19, 28, -1})
        EXPECT_EQ(gameTitle(game), "") << game;
    EXPECT_EQ(gameIconName(6), u"courtwise");
    EXPECT_EQ(gameIconName(23), u"chomplet");
    EXPECT_EQ(gameIconName(1001), u"islands");
    EXPECT_EQ(gameIconName(1002), u"unknown");
}

} // namespace
