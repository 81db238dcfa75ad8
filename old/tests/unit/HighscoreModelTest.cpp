// Sources, records and the catalogue: what the tree shows and what the scan keeps.
#include "TestText.h"
#include "device/HighscoreCollection.h"
#include "scores/DefaultEntries.h"
#include "scores/HighscoreSource.h"

#include <gtest/gtest.h>

namespace {

TEST(Catalogue, LooksUpIdsWithoutRegardToCaseButWithoutTrimming) {
    CHighscoreCollection collection(25);
    EXPECT_EQ(collection.GameNumberForId("vondrel"), 1);
    EXPECT_EQ(collection.GameNumberForId("VonDrel"), 1);
    EXPECT_EQ(collection.GameNumberForId(" vondrel"), 0);
    EXPECT_EQ(collection.GameNumberForId("courtwise"), 6);
    EXPECT_EQ(collection.GameNumberForId("paddlet"), 6);
    EXPECT_EQ(collection.GameNumberForId("Chomplet7"), 27);
    EXPECT_EQ(collection.GameNumberForId("chomplet8"), 0);
    EXPECT_EQ(DisplayNameForGame(6), "Zelk Paddlet");
    EXPECT_EQ(DisplayNameForGame(25), "Chomplet Shifter Average");
    for (int game : {0, 7, 19, 28, 1001, -1})
        EXPECT_EQ(DisplayNameForGame(game), "") << game;
}

TEST(Catalogue, NamesTheHighscoreFileOfEachGame) {
    CHighscoreCollection collection(25);
    EXPECT_EQ(collection.FileNameForGame(0), "HighScores.sco");
    EXPECT_EQ(collection.FileNameForGame(6), "records.dat");
    EXPECT_EQ(collection.FileNameForGame(20), "HighScores.sco");
}

TEST(Catalogue, ScanMessageKeepsTheLastNonEmptyText) {
    CHighscoreCollection collection(25);
    collection.SetScanMessage("first");
    collection.SetScanMessage("");
    EXPECT_EQ(collection.scanMessage, "first");
    collection.SetScanMessage("second");
    EXPECT_EQ(collection.scanMessage, "second");
}

TEST(DefaultEntries, HideFactoryEntriesOnly) {
    EXPECT_TRUE(IsDefaultEntry(1, "Player 3", 3000, "Level: 7"));
    EXPECT_FALSE(IsDefaultEntry(1, "Player 3", 3001, "Level: 7"));
    EXPECT_FALSE(IsDefaultEntry(1, "player 3", 3000, "Level: 7")) << "names compare exactly";
    EXPECT_FALSE(IsDefaultEntry(2, "Anonymous", 100, "x"));
    EXPECT_TRUE(IsDefaultEntry(5, "Anonymous", 0, "Time: 999"));
    EXPECT_TRUE(IsDefaultEntry(0, "Ann", 500, ""));
    EXPECT_FALSE(IsDefaultEntry(4, "Ann", 1, "[default]"));
    EXPECT_TRUE(IsDefaultEntry(27, "Ann", 0, ""));
    EXPECT_FALSE(IsDefaultEntry(20, "Ann", 5, "[default] x"));
    for (int game : {1, 2, 3, 5, 6, 7, 19, 28, 1001})
        EXPECT_TRUE(IsDefaultEntry(game, "Ann", 5, "[default]")) << game;
    EXPECT_FALSE(IsDefaultEntry(7, "Ann", 5, "[default"));
    EXPECT_FALSE(IsDefaultEntry(7, "Ann", -5, ""));
}

TEST(HighscoreSource, EntryTextsSkipDefaultsButKeepTheirIndex) {
    CHighscoreSource source(nullptr, kHighscoreSalt, "vondrel", 25);
    source.table.gameNumber = 1;
    source.table.records = {{"Player 1", 1000, "Level: 5"},
                            {"Ann", 1200, "Level: 7"},
                            {"Player 3", 3001, "Level: 7"},
                            {"Bob", 50, ""}};
    std::vector<int> indices;
    EXPECT_EQ(ShownEntries(source, &indices),
              (std::vector<std::string>{"Ann, 1200 points, Level: 7",
                                        "Player 3, 3001 points, Level: 7", "Bob, 50 points"}));
    EXPECT_EQ(indices, (std::vector<int>{1, 2, 3}));
}

TEST(HighscoreSource, IterationStopsAndStaysStoppedPastTheEnd) {
    CHighscoreSource source(nullptr, kHighscoreSalt, "x", 25);
    EXPECT_FALSE(source.FirstEntry());
    EXPECT_EQ(source.table.cursor, -1);
    std::string text = "stale";
    EXPECT_FALSE(source.GetEntryText(text)) << "no current record: game 0 hides everything";
    EXPECT_EQ(text, "");
    source.table.records = {{"Ann", 1, ""}};
    EXPECT_TRUE(source.FirstEntry());
    EXPECT_FALSE(source.NextEntry());
    EXPECT_EQ(source.table.cursor, -1);
    EXPECT_FALSE(source.NextEntry());
}

TEST(HighscoreSource, EntryTextLooksAtTheFirst1023BytesOnly) {
    CHighscoreSource source(nullptr, kHighscoreSalt, "x", 25);
    source.table.gameNumber = 7;
    source.table.records = {{std::string(2000, 'n'), 1, std::string(1022, 'e') + "[default]"}};
    ASSERT_TRUE(source.FirstEntry());
    std::string text;
    ASSERT_TRUE(source.GetEntryText(text));
    EXPECT_EQ(text, std::string(1023, 'n') + ", 1 points, " + std::string(1022, 'e') + "[");
}

TEST(HighscoreSource, BoundedInsertionKeepsTheLimit) {
    RecordTable table;
    table.limit = 3;
    table.AddRecordBounded({"a", 10, ""});
    table.AddRecordBounded({"b", 30, ""});
    table.AddRecordBounded({"c", 20, ""});
    table.AddRecordBounded({"d", 20, ""}); // full, equal to the last: dropped
    EXPECT_EQ(table.Count(), 3);
    table.AddRecordBounded({"e", 21, ""}); // full, above the last: added beyond the limit
    EXPECT_EQ(table.Count(), 4);
    table.SortAndTrim();
    ASSERT_EQ(table.Count(), 3);
    EXPECT_EQ(table.records[0].name, "b");
    EXPECT_EQ(table.records[1].name, "e");
    EXPECT_EQ(table.records[2].name, "c");
}

TEST(HighscoreSource, ResetKeepsLimitAndSalt) {
    RecordTable table;
    table.limit = 25;
    table.salt = "salt";
    table.gameNumber = 3;
    table.formatNumber = 1;
    table.verified = false;
    table.Reset();
    EXPECT_EQ(table.gameNumber, 0);
    EXPECT_EQ(table.formatNumber, 0);
    EXPECT_TRUE(table.verified);
    EXPECT_EQ(table.limit, 25);
    EXPECT_EQ(table.salt, "salt");
}

TEST(HighscoreSource, NewSourceIsEmptyAndGoesToTheCommunitySite) {
    CHighscoreCollection collection(25);
    CHighscoreSource source(&collection, kHighscoreSalt, "vondrel", collection.maxRecords);
    EXPECT_TRUE(source.table.verified);
    EXPECT_FALSE(source.HasData());
    EXPECT_EQ(source.GetDestination(), DEST_COMMUNITY);
    EXPECT_EQ(source.LoadFromDevice("\\x"), READ_OPEN_FAILED) << "no handheld connected";
}

TEST(ByteBuffer, AppendsAtThePositionAndGrows) {
    ByteBuffer buffer;
    EXPECT_TRUE(buffer.Append("", 0));
    EXPECT_FALSE(buffer.Append(nullptr, 3));
    EXPECT_EQ(buffer.Data(), nullptr);
    EXPECT_TRUE(buffer.Append("hello"));
    buffer.SetPosition(1);
    EXPECT_TRUE(buffer.Append("EL"));
    EXPECT_EQ(buffer.View(), "hELlo");
    EXPECT_EQ(buffer.Position(), 3u);
    buffer.SetPosition(100);
    EXPECT_EQ(buffer.Position(), 5u);
    EXPECT_TRUE(buffer.AppendU32(0x01020304));
    EXPECT_EQ(buffer.View().substr(5), std::string_view("\x04\x03\x02\x01", 4));
    EXPECT_TRUE(buffer.AppendZeros(3000));
    EXPECT_EQ(buffer.Length(), 3009u);
    buffer.SetPosition(5);
    std::uint32_t value = 0;
    EXPECT_TRUE(buffer.ReadU32(value));
    EXPECT_EQ(value, 0x01020304u);
    buffer.SetPosition(3007);
    EXPECT_FALSE(buffer.ReadU32(value));
    buffer.Clear();
    EXPECT_EQ(buffer.Length(), 0u);
    EXPECT_EQ(buffer.Position(), 0u);
}

} // namespace
