// The game layouts: level table, masked archives, statistics values, and Decode's dispatch.
#include "FakeDevice.h"
#include "HighscoreWriters.h"
#include "TestText.h"

#include "device/HighscoreCollection.h"
#include "device/TextCodec.h"
#include "scores/LevelTable.h"
#include "scores/SignedTable.h"
#include "scores/StatisticsDecoders.h"
#include "scores/XorKeyDecoder.h"

#include <gtest/gtest.h>

using namespace writers;

namespace {

std::vector<std::string> Names(const RecordTable& table) {
    std::vector<std::string> names;
    for (const HighscoreRecord& record : table.records)
        names.push_back(record.name);
    return names;
}

std::vector<ArchiveEntry> TenEntries(std::vector<ArchiveEntry> first = {}) {
    while (first.size() < 10)
        first.push_back({QStringLiteral("Anonymous"), 100});
    return first;
}

// --- level table -----------------------------------------------------------------------------

TEST(LevelTable, DecodesNamesScoresAndLevels) {
    ByteBuffer data = BufferOf(LevelTableFile({{QStringLiteral("Ann"), 1200, 7},
                                               {QStringLiteral("Zo\u00eb"), 800, 3},
                                               {QString(), 500, 2}}));
    RecordTable table = NewTable();
    ASSERT_TRUE(DecodeLevelTable(data, table));
    ASSERT_EQ(table.Count(), 2) << "a record without a name is skipped";
    EXPECT_EQ(table.records[0].name, "Ann");
    EXPECT_EQ(table.records[0].score, 1200);
    EXPECT_EQ(table.records[0].extra, "Level: 7");
    EXPECT_EQ(QStringFromNarrow(table.records[1].name), QStringLiteral("Zo\u00eb"));
    EXPECT_EQ(table.records[1].extra, "Level: 3");
}

TEST(LevelTable, ANegativeCountIsAnEmptyTable) {
    for (const std::int32_t count : {0, -1, std::numeric_limits<std::int32_t>::min()}) {
        ByteBuffer data = BufferOf(Le32(static_cast<std::uint32_t>(count)));
        RecordTable table = NewTable();
        EXPECT_TRUE(DecodeLevelTable(data, table)) << count;
        EXPECT_EQ(table.Count(), 0);
    }
}

TEST(LevelTable, EveryTruncationFailsWithoutReadingPastTheEnd) {
    const QByteArray file =
        LevelTableFile({{QStringLiteral("Ann"), 1200, 7}, {QStringLiteral("Bob"), 900, 5}});
    for (qsizetype cut = 0; cut < file.size(); ++cut) {
        ByteBuffer data = BufferOf(file.left(cut), false);
        RecordTable table = NewTable();
        EXPECT_FALSE(DecodeLevelTable(data, table)) << cut;
        EXPECT_LE(table.Count(), 1);
    }
    // A name length far beyond the data, and a count far beyond the entries.
    ByteBuffer hugeName = BufferOf(Le32(1) + Le32(0x80000000u));
    RecordTable table = NewTable();
    EXPECT_FALSE(DecodeLevelTable(hugeName, table));
    QByteArray many = LevelTableFile({{QStringLiteral("Ann"), 1, 1}});
    many[0] = '\x7F';
    many[3] = '\x7F';
    ByteBuffer manyEntries = BufferOf(many, false);
    RecordTable manyTable = NewTable();
    EXPECT_FALSE(DecodeLevelTable(manyEntries, manyTable));
    EXPECT_EQ(Names(manyTable), std::vector<std::string>{"Ann"});
}

TEST(LevelTable, SkipsRecordsTheTextCannotCarryAndGoesOn) {
    ByteBuffer data = BufferOf(LevelTableFile({{QStringLiteral("A|B"), 10, 1},
                                               {QStringLiteral("Line\nfeed"), 11, 1},
                                               {QStringLiteral("Carriage\rreturn"), 12, 1},
                                               {QStringLiteral("Minus"), -5, 1},
                                               {QStringLiteral("Ann"), 13, 1}}));
    RecordTable table = NewTable();
    ASSERT_TRUE(DecodeLevelTable(data, table));
    EXPECT_EQ(Names(table), std::vector<std::string>{"Ann"});
}

// --- masked archives -------------------------------------------------------------------------

TEST(MaskedArchive, DecodesTenEntriesInNarrowAndWideStrings) {
    for (const ArchiveChars form : {ArchiveChars::Narrow, ArchiveChars::Wide}) {
        const QByteArray file = MaskedArchive(
            kQuilbitArchiveKey, QStringLiteral("Header text"),
            TenEntries({{QStringLiteral("Ann"), 3120}, {QStringLiteral("J\u00f6rg"), 2480}}), form);
        ByteBuffer data = BufferOf(file);
        RecordTable table = NewTable();
        ASSERT_TRUE(XorKeyDecoder(kQuilbitArchiveKey).DecodeTable(data, table));
        ASSERT_EQ(table.Count(), 10);
        EXPECT_EQ(table.records[0].name, "Ann");
        EXPECT_EQ(table.records[0].score, 3120);
        EXPECT_EQ(QStringFromNarrow(table.records[1].name), QStringLiteral("J\u00f6rg"));
        EXPECT_EQ(table.records[9].name, "Anonymous");
        EXPECT_EQ(table.records[9].score, 100);

        // The wrong key gives other names: the mask is really applied.
        RecordTable wrong = NewTable();
        XorKeyDecoder(kMarbeloArchiveKey).DecodeTable(data, wrong);
        EXPECT_TRUE(wrong.Count() == 0 || wrong.records[0].name != "Ann");
    }
}

TEST(MaskedArchive, ReadsEveryLengthPrefixForm) {
    KeyMask mask(kMarbeloArchiveKey);
    QByteArray file = ArchiveStringBytes(mask.MaskedHexText(QStringLiteral("H")),
                                         ArchiveChars::Narrow, ArchiveLength::Word);
    const ArchiveLength forms[] = {ArchiveLength::Shortest, ArchiveLength::Word,
                                   ArchiveLength::Dword};
    for (int i = 0; i < 10; ++i) {
        file += ArchiveStringBytes(mask.MaskedHexText(QStringLiteral("P%1").arg(i)),
                                   i % 2 ? ArchiveChars::Wide : ArchiveChars::Narrow, forms[i % 3]);
        file += mask.MaskedValue(100 + i);
    }
    ByteBuffer data = BufferOf(file);
    RecordTable table = NewTable();
    ASSERT_TRUE(XorKeyDecoder(kMarbeloArchiveKey).DecodeTable(data, table));
    ASSERT_EQ(table.Count(), 10);
    EXPECT_EQ(table.records[7].name, "P7");
    EXPECT_EQ(table.records[7].score, 107);
}

TEST(MaskedArchive, HexTextEndsAtTheFirstPairWithoutAHexDigit) {
    KeyMask mask(kQuilbitArchiveKey);
    std::u16string header = mask.MaskedHexText(QString());
    std::u16string name = mask.MaskedHexText(QStringLiteral("Ann"));
    const std::u16string ended = name + u"zz" + u"4142";
    QByteArray file = ArchiveStringBytes(header, ArchiveChars::Narrow) +
                      ArchiveStringBytes(ended, ArchiveChars::Narrow) + mask.MaskedValue(7);
    for (int i = 1; i < 10; ++i)
        file += ArchiveStringBytes(mask.MaskedHexText(QStringLiteral("B")), ArchiveChars::Narrow) +
                mask.MaskedValue(1);
    ByteBuffer data = BufferOf(file);
    RecordTable table = NewTable();
    ASSERT_TRUE(XorKeyDecoder(kQuilbitArchiveKey).DecodeTable(data, table));
    ASSERT_EQ(table.Count(), 10);
    EXPECT_EQ(table.records[0].name, "Ann");
    EXPECT_EQ(table.records[0].score, 7);
}

TEST(MaskedArchive, ShortOrMalformedArchivesFail) {
    const QByteArray file = MaskedArchive(kMarbeloArchiveKey, QStringLiteral("Header"),
                                          TenEntries(), ArchiveChars::Wide);
    for (qsizetype cut = 0; cut < file.size(); ++cut) {
        ByteBuffer data = BufferOf(file.left(cut), false);
        RecordTable table = NewTable();
        EXPECT_FALSE(XorKeyDecoder(kMarbeloArchiveKey).DecodeTable(data, table)) << cut;
    }
    // Length prefixes that promise more than the archive holds.
    for (const QByteArray& prefix :
         {QByteArray("\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 7), QByteArray("\xFF\xFE\xFF\xFF\xFF\xFF", 6),
          QByteArray("\xFF\xFE\xFF\x80", 4), QByteArray("\xFF\xFD\xFF", 3),
          QByteArray("\xFF\xFF\xFF\x00\x00\x00\x80", 7)}) {
        ByteBuffer data = BufferOf(prefix + QByteArray(64, 'A'));
        RecordTable table = NewTable();
        EXPECT_FALSE(XorKeyDecoder(kQuilbitArchiveKey).DecodeTable(data, table))
            << prefix.toHex().constData();
        EXPECT_EQ(table.Count(), 0);
    }
}

TEST(TimeArchive, OnlyTheThirdEntryCountsWithScore999MinusTime) {
    struct Case {
        std::int32_t time;
        std::int32_t score;
    };
    for (const Case c : {Case{250, 749}, Case{1200, 0}, Case{999, 0}, Case{0, 999}, Case{-1, 1000},
                         Case{std::numeric_limits<std::int32_t>::min(),
                              std::numeric_limits<std::int32_t>::max()}}) {
        const QByteArray file = MaskedArchive(kDeminarArchiveKey, QStringLiteral("Times"),
                                              {{QStringLiteral("First"), 10},
                                               {QStringLiteral("Second"), 20},
                                               {QStringLiteral("Ann"), c.time}});
        ByteBuffer data = BufferOf(file);
        RecordTable table = NewTable();
        ASSERT_TRUE(TimeXorKeyDecoder(kDeminarArchiveKey).DecodeTable(data, table));
        ASSERT_EQ(table.Count(), 1) << c.time;
        EXPECT_EQ(table.records[0].name, "Ann");
        EXPECT_EQ(table.records[0].score, c.score) << c.time;
        EXPECT_EQ(table.records[0].extra, "Time: " + std::to_string(c.time));
    }
    const QByteArray file = MaskedArchive(
        kDeminarArchiveKey, QStringLiteral("Times"),
        {{QStringLiteral("A"), 1}, {QStringLiteral("B"), 2}, {QStringLiteral("C"), 3}});
    for (qsizetype cut = 0; cut < file.size(); ++cut) {
        ByteBuffer data = BufferOf(file.left(cut), false);
        RecordTable table = NewTable();
        EXPECT_FALSE(TimeXorKeyDecoder(kDeminarArchiveKey).DecodeTable(data, table)) << cut;
        EXPECT_EQ(table.Count(), 0);
    }
}

// --- statistics and the owner's name ---------------------------------------------------------

class StatisticsTest : public ::testing::Test {
protected:
    StatisticsTest() { collection.SetDevice(&device); }

    bool DecodeStats(const char* name, std::uint32_t first, std::uint32_t second,
                     CHighscoreSource*& out) {
        source = std::make_unique<CHighscoreSource>(&collection, kHighscoreSalt, name, 25);
        source->data.AppendU32(first);
        source->data.AppendU32(second);
        out = source.get();
        return source->Decode();
    }

    FakeDevice device;
    CHighscoreCollection collection{25};
    std::unique_ptr<CHighscoreSource> source;
};

TEST_F(StatisticsTest, SolitaireStatisticsBecomeOneRecordOfTheOwner) {
    device.SetValue(rapi::HKEY_CURRENT_USER, QStringLiteral("ControlPanel\\Owner"),
                    QStringLiteral("Owner"), rapi::REG_BINARY, Utf16z(QStringLiteral("Ann")));
    CHighscoreSource* stats = nullptr;
    ASSERT_TRUE(DecodeStats("Solvane", 12, 5, stats));
    ASSERT_EQ(stats->table.Count(), 1);
    EXPECT_EQ(stats->table.records[0].name, "Ann");
    EXPECT_EQ(stats->table.records[0].score, 5);
    EXPECT_EQ(stats->table.records[0].extra, "Games: 12, won: 5");
    EXPECT_EQ(stats->GetTitle(), "Zelk Solvane");
    EXPECT_EQ(collection.scanMessage, "");
    EXPECT_EQ(device.OpenKeyCount(), 0u);

    EXPECT_FALSE(DecodeStats("Solvane", 0, 0, stats));
    EXPECT_TRUE(DecodeStats("Solvane", 0, 3, stats));
    // Games won beyond the signed range is no score: no record, but the decode succeeds.
    EXPECT_TRUE(DecodeStats("Solvane", 1, 0x80000000u, stats));
    EXPECT_EQ(stats->table.Count(), 0);
}

TEST_F(StatisticsTest, PuzzleStatisticsUseScoreAndGames) {
    device.SetString(rapi::HKEY_CURRENT_USER, QStringLiteral("ControlPanel\\Owner"),
                     QStringLiteral("Name"), QStringLiteral("Bea"));
    CHighscoreSource* stats = nullptr;
    ASSERT_TRUE(DecodeStats("Chomplet3", 4120, 17, stats));
    ASSERT_EQ(stats->table.Count(), 1);
    EXPECT_EQ(stats->table.records[0].name, "Bea") << "the Name value stands in for Owner";
    EXPECT_EQ(stats->GetTitle(), "Chomplet Continuous Average");
    EXPECT_EQ(ShownEntries(*stats), std::vector<std::string>{"Bea, 4120 points, Games: 17"});
    EXPECT_FALSE(DecodeStats("Chomplet3", 0, 0, stats));
}

TEST_F(StatisticsTest, ShortStatisticsFail) {
    source = std::make_unique<CHighscoreSource>(&collection, kHighscoreSalt, "Solvane", 25);
    source->data.AppendU32(7);
    source->data.AppendByte(1);
    EXPECT_FALSE(source->Decode());
    EXPECT_FALSE(DecodeModeStats(*source));
}

TEST_F(StatisticsTest, WithoutAnOwnerTheNameIsAnonymousAndTheUserIsTold) {
    device.SetValue(rapi::HKEY_CURRENT_USER, QStringLiteral("ControlPanel\\Owner"),
                    QStringLiteral("Owner"), rapi::REG_BINARY, QByteArray(8, '\0'));
    CHighscoreSource* stats = nullptr;
    ASSERT_TRUE(DecodeStats("Solvane", 3, 2, stats));
    ASSERT_EQ(stats->table.Count(), 1);
    EXPECT_EQ(stats->table.records[0].name, "Anonymous");
    EXPECT_EQ(collection.scanMessage,
              "Since you have not entered your Pocket PC/Smartphone owner information your name "
              "will appear as Anonymous for  some highscores");
}

TEST_F(StatisticsTest, AnOwnerValueTooLargeForTheBufferFallsBackToName) {
    device.SetValue(rapi::HKEY_CURRENT_USER, QStringLiteral("ControlPanel\\Owner"),
                    QStringLiteral("Owner"), rapi::REG_BINARY, QByteArray(800, 'A'));
    device.SetString(rapi::HKEY_CURRENT_USER, QStringLiteral("ControlPanel\\Owner"),
                     QStringLiteral("Name"), QStringLiteral("Cid"));
    CHighscoreSource unusedSource(&collection, kHighscoreSalt, "x", 25);
    EXPECT_EQ(GetOwnerName(unusedSource), "Cid");

    // A full buffer without a terminator gives its 384 characters.
    device.SetValue(rapi::HKEY_CURRENT_USER, QStringLiteral("ControlPanel\\Owner"),
                    QStringLiteral("Owner"), rapi::REG_BINARY, QByteArray(768, 'A'));
    EXPECT_EQ(GetOwnerName(unusedSource), NarrowFromWide(std::u16string(384, u'\x4141')));
}

// --- Decode -----------------------------------------------------------------------------------

class DecodeTest : public ::testing::Test {
protected:
    CHighscoreSource& Load(const char* name, const QByteArray& bytes) {
        source = std::make_unique<CHighscoreSource>(&collection, kHighscoreSalt, name, 25);
        source->data.Append(bytes.constData(), static_cast<std::uint32_t>(bytes.size()));
        source->data.AppendByte(0);
        return *source;
    }

    CHighscoreCollection collection{25};
    std::unique_ptr<CHighscoreSource> source;
};

TEST_F(DecodeTest, AGameDecodeRewritesDataAsSignedTableText) {
    CHighscoreSource& vondrel =
        Load("Zelk Vondrel",
             LevelTableFile({{QStringLiteral("Bob"), 900, 4}, {QStringLiteral("Ann"), 1200, 7}}));
    ASSERT_TRUE(vondrel.Decode());
    EXPECT_EQ(vondrel.GetTitle(), "Zelk Vondrel");
    EXPECT_EQ(vondrel.GetGameNumber(), 1);
    EXPECT_EQ(vondrel.table.formatNumber, 1);
    EXPECT_EQ(Names(vondrel.table), (std::vector<std::string>{"Ann", "Bob"}));

    const std::string text = "1|1|Zelk Vondrel\nAnn|1200|Level: 7\nBob|900|Level: 4\n";
    std::string expected = text + SignedTableDigest(text, kHighscoreSalt);
    expected += '\0';
    EXPECT_EQ(vondrel.data.View(), expected);

    // What the decode wrote reads back as the same verified table.
    RecordTable back = NewTable();
    ASSERT_TRUE(ParseSignedTable(back, vondrel.data));
    EXPECT_TRUE(back.verified);
    EXPECT_EQ(Names(back), Names(vondrel.table));
}

TEST_F(DecodeTest, ChoosesTheDecoderByTheSourceName) {
    const auto archive = [](const char* key) {
        return MaskedArchive(key, QStringLiteral("H"), TenEntries({{QStringLiteral("Ann"), 300}}));
    };
    EXPECT_TRUE(Load("QUILBIT", archive(kQuilbitArchiveKey)).Decode());
    EXPECT_EQ(source->table.records[0].name, "Ann");
    EXPECT_TRUE(Load("marbelo", archive(kMarbeloArchiveKey)).Decode());
    EXPECT_EQ(source->GetTitle(), "Zelk Marbelo");
    EXPECT_TRUE(Load("courtwise", archive(kMarbeloArchiveKey)).Decode());
    EXPECT_EQ(source->GetTitle(), "Zelk Paddlet");
    EXPECT_EQ(source->table.records[0].name, "Ann");
    EXPECT_TRUE(Load("Zelk Deminar", MaskedArchive(kDeminarArchiveKey, QStringLiteral("H"),
                                                   {{QStringLiteral("A"), 1},
                                                    {QStringLiteral("B"), 2},
                                                    {QStringLiteral("Cy"), 250}}))
                    .Decode());
    EXPECT_EQ(ShownEntries(*source), std::vector<std::string>{"Cy, 749 points, Time: 250"});

    // The Smartphone edition reads signed table text, then is titled like the game.
    const QByteArray phoneText =
        SignedTableText(9, 4, "On the phone", {{"Bob", 10, ""}, {"Ann", 20, "x"}});
    ASSERT_TRUE(Load("Marbelo SP", phoneText).Decode());
    EXPECT_EQ(source->GetTitle(), "Zelk Marbelo");
    EXPECT_EQ(source->GetGameNumber(), 3);
    EXPECT_EQ(source->table.formatNumber, 1);
    EXPECT_EQ(Names(source->table), (std::vector<std::string>{"Ann", "Bob"}));
    EXPECT_EQ(source->data.View().substr(0, 15), "3|1|Zelk Marbel");
    // The plain edition does not read text.
    EXPECT_FALSE(Load("marbelo", phoneText).Decode());
}

TEST_F(DecodeTest, AnUnknownGameKeepsItsOwnTableText) {
    const QByteArray text = SignedTableText(12, 2, "Trivia", {{"Bob", 10, ""}, {"Ann", 20, "x"}});
    CHighscoreSource& trivia = Load("Trivia Blitz", text);
    ASSERT_TRUE(trivia.Decode());
    EXPECT_EQ(trivia.GetTitle(), "Trivia");
    EXPECT_EQ(trivia.GetGameNumber(), 12);
    EXPECT_EQ(trivia.table.formatNumber, 2);
    EXPECT_TRUE(trivia.table.verified);
    EXPECT_EQ(trivia.data.View().substr(0, static_cast<std::size_t>(text.size())),
              std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    EXPECT_EQ(trivia.data.Length(), static_cast<std::uint32_t>(text.size()) + 1);

    EXPECT_FALSE(Load("Trivia Blitz", "0|1|T\n").Decode());
    EXPECT_FALSE(Load("vondrel", QByteArray()).Decode()) << "an empty level table file";
    EXPECT_TRUE(Load("vondrel", QByteArray(4, '\0')).Decode()) << "count 0";
    EXPECT_EQ(source->table.Count(), 0);
    EXPECT_EQ(source->GetTitle(), "Zelk Vondrel");
}

} // namespace
