// The table text and the table rules: reading, writing, the digest, bounded insertion, what
// the tree shows of a record, and the catalogue.
#include "HighscoreWriters.h"

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

    // Whether the digest matches, and the records read: the digest does not decide the result.
    // A last row without line feed is no record; one with "|" is no digest.
    QStringList read;
    for (const QByteArray& text :
         {QByteArray(kMarbeloText).replace("2400", "2500") + kMarbeloDigest, kMarbeloText,
          kMarbeloText + kMarbeloDigest + "\r", kMarbeloText + kMarbeloDigest.toUpper(),
          kMarbeloText + kMarbeloDigest + QByteArray("\0Eve|9|\n", 8),
          QByteArray("3|1|T\nAnn|5|\nBob|7|"), "3|1|T\nAnn|5|\nx|" + tableDigest("3|1|T\nAnn|5|\n"),
          QByteArray("no row at all"), QByteArray("\0003|1|T\n", 7), QByteArray()}) {
        const auto parsed = parseSignedTable(text);
        read << (parsed ? QString::number(parsed->verified) + u'/' +
                              QString::number(parsed->records.size())
                        : u"-"_qs);
    }
    EXPECT_EQ(read.join(u' '), u"0/2 0/2 0/2 0/2 1/2 0/1 0/1 0/0 0/0 0/0"_qs);
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
    const QByteArray longRow = QByteArray(1500, 'n') + "|5|" + QByteArray(2000, 'e') + "\n";
    EXPECT_EQ(parseSignedTable("3|1|T\n" + longRow).value().records.value(0),
              (HighscoreRecord{QByteArray(1023, 'n'), 5, QByteArray(1023, 'e')}));
}

TEST(HighscoreTable, StorableRecordsAndBoundedInsertion) {
    EXPECT_TRUE(isStorableRecord({QByteArray(1023, 'a'), 0, QByteArray(1023, 'b')}));
    const HighscoreRecord bad[] = {{"", 5, ""},
                                   {"Ann", -1, ""},
                                   {"Ann", 5, QByteArray(1024, 'b')},
                                   {QByteArray(1024, 'a'), 5, ""},
                                   {"A|n", 5, ""},
                                   {"A\nn", 5, ""},
                                   {"Ann", 5, "x\r"},
                                   {"Ann", 5, QByteArray("x\0", 2)}};
    for (const HighscoreRecord& record : bad)
        EXPECT_FALSE(isStorableRecord(record))
            << record.name.constData() << record.extra.constData();

    HighscoreTable table;
    for (int i = 0; i < kMaxRecords; ++i)
        table.addBounded({"p", 100 - i, ""});
    table.addBounded({"equal to the last", 100 - kMaxRecords + 1, ""});
    EXPECT_EQ(table.records.size(), kMaxRecords);
    table.addBounded({"above the last", 90, ""});
    table.addBounded({"tie", 90, ""}); // compared with the last one added, not the lowest
    EXPECT_EQ(table.records.size(), kMaxRecords + 1);
    table.sortAndTrim();
    EXPECT_EQ(table.records.size(), kMaxRecords);
    EXPECT_EQ(table.records.value(11).name, "above the last") << "equal scores keep their order";
}

TEST(HighscoreTable, EntryTextsAndFactoryEntries) {
    EXPECT_EQ(entryText({"Ann", 1200, "Level: 7"}), "Ann, 1200 points, Level: 7");
    EXPECT_EQ(entryText({"Bob", 50, ""}), "Bob, 50 points");
    EXPECT_EQ(entryText({QByteArray(2000, 'n'), 1, QByteArray(1030, 'e')}),
              QByteArray(1023, 'n') + ", 1 points, " + QByteArray(1023, 'e'));

    // The games' own entries in an empty table, and the "[default]" mark, are the factory's.
    QString factory;
    for (const auto& [game, record] : std::initializer_list<std::pair<qint32, HighscoreRecord>>{
             {1, {"Player 8", 12500, "Level: 14"}},
             {1, {"Player 8", 12501, "Level: 14"}},
             {2, {"Anonymous", 100, ""}},
             {5, {"Ann", 0, ""}},
             {5, {"Ann", 1, ""}},
             {0, {"Ann", 500, ""}},
             {4, {"Ann", 1, "[default]"}},
             {27, {"Ann", 0, ""}},
             {7, {"Ann", 5, "[default] x"}},
             {1001, {"Ann", 5, "[default]"}},
             {7, {"Ann", 5, "[default"}},
             {7, {"Ann", -5, ""}},
         })
        factory += isFactoryEntry(game, record) ? u'1' : u'0';
    EXPECT_EQ(factory, u"101101011100"_qs);
}

TEST(GameCatalogue, IdsFilesTitlesAndIcons) {
    QStringList games;
    for (const char16_t* id : {u"VonDrel", u"Zelk Paddlet", u"Marbelo SP", u"chomplet8"})
        games << QString::number(gameForId(id)) + u':' + highscoreFileName(id);
    EXPECT_EQ(games.join(u' '),
              u"1:HighScores.sco 6:records.dat 3:HighScores.sco 0:HighScores.sco"_qs);
    // The puzzle game's tables are 20 to 27; the numbers around them are no table.
    QStringList titles;
    for (const qint32 game : {20, 27, 19, 28, 1001})
        titles << QString::fromLatin1(gameTitle(game)) + u':' + gameIconName(game);
    EXPECT_EQ(titles.join(u','), u"Chomplet Standard High:chomplet,Chomplet Megaslide Average:"
                                 "chomplet,:unknown,:unknown,Zelk Skyholm:islands"_qs);
}

} // namespace
