// The signed table text: reading, writing, the digest, and that what is written reads back.
#include "HighscoreWriters.h"
#include "TestText.h"

#include "scores/DecodeRules.h"
#include "scores/SignedTable.h"

#include <gtest/gtest.h>
#include <random>

namespace {

constexpr const char* kSalt = "4KQW71ZP8";
// md5("3|1|Zelk Marbelo\nAnn|2400|\nBob|1900|\n4KQW71ZP8"), computed outside the program.
constexpr const char* kMarbeloDigest = "b315737c287dc523330cbefa5137d58d";
constexpr const char* kMarbeloText = "3|1|Zelk Marbelo\nAnn|2400|\nBob|1900|\n";

bool Parse(RecordTable& table, std::string_view text) {
    ByteBuffer data = BufferOf(text);
    return ParseSignedTable(table, data);
}

bool SameRecords(const RecordTable& a, const RecordTable& b) {
    if (a.Count() != b.Count())
        return false;
    for (std::size_t i = 0; i < a.records.size(); ++i)
        if (a.records[i].name != b.records[i].name || a.records[i].score != b.records[i].score ||
            a.records[i].extra != b.records[i].extra)
            return false;
    return true;
}

TEST(SignedTable, ReadsHeaderRecordsAndVerifiesTheDigest) {
    RecordTable table = NewTable();
    ASSERT_TRUE(Parse(table, std::string(kMarbeloText) + kMarbeloDigest));
    EXPECT_TRUE(table.verified);
    EXPECT_EQ(table.gameNumber, 3);
    EXPECT_EQ(table.formatNumber, 1);
    EXPECT_EQ(table.title, "Zelk Marbelo");
    ASSERT_EQ(table.Count(), 2);
    EXPECT_EQ(table.records[0].name, "Ann");
    EXPECT_EQ(table.records[0].score, 2400);
    EXPECT_EQ(table.records[1].name, "Bob");
    EXPECT_EQ(table.records[1].extra, "");
}

TEST(SignedTable, AWrongOrMissingDigestOnlyClearsVerified) {
    std::string changed = std::string(kMarbeloText) + kMarbeloDigest;
    changed[changed.find("2400") + 1] = '5';
    RecordTable table = NewTable();
    ASSERT_TRUE(Parse(table, changed));
    EXPECT_FALSE(table.verified);
    ASSERT_EQ(table.Count(), 2);
    EXPECT_EQ(table.records[0].score, 2500);

    for (const std::string& text :
         {std::string(kMarbeloText), std::string(kMarbeloText) + kMarbeloDigest + "\r",
          std::string(kMarbeloText) + "B315737C287DC523330CBEFA5137D58D"}) {
        RecordTable other = NewTable();
        ASSERT_TRUE(Parse(other, text));
        EXPECT_FALSE(other.verified);
        EXPECT_EQ(other.Count(), 2);
    }

    RecordTable otherSalt = NewTable();
    otherSalt.salt = "another";
    ASSERT_TRUE(Parse(otherSalt, std::string(kMarbeloText) + kMarbeloDigest));
    EXPECT_FALSE(otherSalt.verified);
}

TEST(SignedTable, AFinalRowWithoutLineFeedIsTheDigestNotARecord) {
    RecordTable table = NewTable();
    ASSERT_TRUE(Parse(table, "3|1|T\nAnn|5|\nBob|7|"));
    ASSERT_EQ(table.Count(), 1);
    EXPECT_EQ(table.records[0].name, "Ann");
    EXPECT_FALSE(table.verified);

    // Text after the last line feed that holds a "|" is not taken as a digest at all, so a
    // digest of the shorter text cannot verify it.
    const std::string text = "3|1|T\nAnn|5|\n";
    RecordTable withBar = NewTable();
    ASSERT_TRUE(Parse(withBar, text + "x|" + SignedTableDigest(text, kSalt)));
    EXPECT_FALSE(withBar.verified);
}

TEST(SignedTable, ReadingStopsAtTheFirstZeroByte) {
    const std::string text = std::string(kMarbeloText) + kMarbeloDigest;
    std::string withTail = text;
    withTail += '\0';
    withTail += "Eve|99999|\n";
    RecordTable table = NewTable();
    ByteBuffer data = BufferOf(withTail);
    ASSERT_TRUE(ParseSignedTable(table, data));
    EXPECT_TRUE(table.verified);
    EXPECT_EQ(table.Count(), 2);

    // Data without any zero byte is read to its end.
    RecordTable unterminated = NewTable();
    ByteBuffer raw = BufferOf(text, false);
    ASSERT_TRUE(ParseSignedTable(unterminated, raw));
    EXPECT_TRUE(unterminated.verified);
}

TEST(SignedTable, RejectsBadHeadersAndRecordRows) {
    for (const char* text : {"0|1|T\n", "3|0|T\n", "x|1|T\n", "3|1|\n", "3|1\n", "3\n", "|1|T\n",
                             "-3|1|T\n", "2147483648|1|T\n", "99999999999|1|T\n",
                             "3|1|T\nAnn|-1|\n", "3|1|T\n|5|\n", "3|1|T\nAnn||\n", "3|1|T\nAnn\n",
                             "3|1|T\nAnn|x5|\n", "3|1|T\nAnn|2147483648|\n", "3|1|T\n\n"}) {
        RecordTable table = NewTable();
        EXPECT_FALSE(Parse(table, text)) << text;
    }
    // Records read before the bad row stay.
    RecordTable table = NewTable();
    EXPECT_FALSE(Parse(table, "3|1|T\nAnn|5|\nBob|-2|\n"));
    EXPECT_EQ(table.Count(), 1);
}

TEST(SignedTable, NumbersReadLikeScanfAndEmptyTextIsAnEmptyTable) {
    RecordTable table = NewTable();
    ASSERT_TRUE(Parse(table, " 12abc|+4|Title|ignored\nAnn| 42 points|Level: 3|more\nBob|+7\n"));
    EXPECT_EQ(table.gameNumber, 12);
    EXPECT_EQ(table.formatNumber, 4);
    EXPECT_EQ(table.title, "Title");
    ASSERT_EQ(table.Count(), 2);
    EXPECT_EQ(table.records[0].score, 42);
    EXPECT_EQ(table.records[0].extra, "Level: 3");
    EXPECT_EQ(table.records[1].score, 7);
    EXPECT_EQ(table.records[1].extra, "");

    RecordTable empty = NewTable();
    ASSERT_TRUE(Parse(empty, ""));
    EXPECT_EQ(empty.Count(), 0);
    EXPECT_EQ(empty.gameNumber, 0);
    EXPECT_FALSE(empty.verified);
}

TEST(SignedTable, KeepsOnlyTheFirst1023BytesOfAField) {
    RecordTable longField = NewTable();
    ASSERT_TRUE(Parse(longField,
                      "3|1|T\n" + std::string(1500, 'n') + "|5|" + std::string(2000, 'e') + "\n"));
    ASSERT_EQ(longField.Count(), 1);
    EXPECT_EQ(longField.records[0].name, std::string(1023, 'n'));
    EXPECT_EQ(longField.records[0].extra, std::string(1023, 'e'));
}

TEST(SignedTable, WritesTheDigestWhenVerifiedOrForced) {
    RecordTable table = NewTable();
    table.gameNumber = 3;
    table.formatNumber = 1;
    table.title = "Zelk Marbelo";
    table.records = {{"Ann", 2400, ""}, {"Bob", 1900, ""}};

    ByteBuffer data;
    data.Append("old contents that must go");
    table.verified = false;
    ASSERT_TRUE(WriteSignedTable(table, data, false));
    EXPECT_EQ(data.View(), kMarbeloText);

    ASSERT_TRUE(WriteSignedTable(table, data, true));
    EXPECT_EQ(data.View(), std::string(kMarbeloText) + kMarbeloDigest);

    table.verified = true;
    ASSERT_TRUE(WriteSignedTable(table, data, false));
    EXPECT_EQ(data.View(), std::string(kMarbeloText) + kMarbeloDigest);
    EXPECT_EQ(data.Length(), std::string(kMarbeloText).size() + 32);
}

TEST(SignedTable, StorableRecordsKeepTheTextIntact) {
    EXPECT_TRUE(IsStorableRecord(std::string(1023, 'a'), 0, std::string(1023, 'b')));
    EXPECT_FALSE(IsStorableRecord("", 5, ""));
    EXPECT_FALSE(IsStorableRecord("Ann", -1, ""));
    EXPECT_FALSE(IsStorableRecord("Ann", 5, std::string(1024, 'b')));
    for (const char bad : {'|', '\n', '\r', '\0'}) {
        EXPECT_FALSE(IsStorableRecord(std::string("A") + bad + "n", 5, "")) << int(bad);
        EXPECT_FALSE(IsStorableRecord("Ann", 5, std::string("x") + bad)) << int(bad);
    }
}

// Random records, nasty characters included, go through the decoders' insertion rule; the
// text written for the result must read back to the very same table.
TEST(SignedTable, WrittenTablesReadBackUnchanged) {
    std::mt19937 random(20240611);
    const std::string alphabet = std::string("abcXYZ019 |\n\r:-+\xc3\xa9", 19) + '\0';
    auto randomText = [&](std::size_t maxLength) {
        std::string text;
        const std::size_t length = std::uniform_int_distribution<std::size_t>(0, maxLength)(random);
        const bool plain = random() % 3 != 0;
        for (std::size_t i = 0; i < length; ++i)
            text += plain ? alphabet[random() % 6] : alphabet[random() % alphabet.size()];
        return text;
    };
    int storedTotal = 0;
    for (int round = 0; round < 400; ++round) {
        RecordTable table = NewTable(1 + static_cast<std::int32_t>(random() % 30));
        table.gameNumber = 1 + static_cast<std::int32_t>(random() % 0x7FFFFFFF);
        table.formatNumber = 1 + static_cast<std::int32_t>(random() % 5);
        table.title = "Title " + std::to_string(round);
        const int offered = static_cast<int>(random() % 40);
        for (int i = 0; i < offered; ++i) {
            const std::size_t longest = random() % 10 == 0 ? 1100 : 12;
            std::int32_t score = static_cast<std::int32_t>(random() % 5000);
            if (random() % 8 == 0)
                score = -score - 1;
            else if (random() % 8 == 0)
                score = std::numeric_limits<std::int32_t>::max() - score;
            AddDecodedRecord(table, randomText(longest), score, randomText(longest));
        }
        table.SortAndTrim();
        storedTotal += table.Count();

        ByteBuffer data;
        ASSERT_TRUE(WriteSignedTable(table, data, true));
        data.AppendByte(0);
        RecordTable back = NewTable(table.limit);
        ASSERT_TRUE(ParseSignedTable(back, data)) << "round " << round;
        EXPECT_TRUE(back.verified) << "round " << round;
        EXPECT_EQ(back.gameNumber, table.gameNumber);
        EXPECT_EQ(back.formatNumber, table.formatNumber);
        EXPECT_EQ(back.title, table.title);
        EXPECT_TRUE(SameRecords(back, table)) << "round " << round;
    }
    EXPECT_GT(storedTotal, 1000) << "the generator should store plenty of records";
}

} // namespace
