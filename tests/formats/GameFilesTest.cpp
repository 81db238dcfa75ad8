// The games' layouts: the level table, the masked archives, the statistics, and how
// decodeGameData picks a decoder and normalises its table. Cuts at every byte and random
// bytes are the fuzz targets' job; here are the lengths a reader must refuse exactly.
#include "HighscoreWriters.h"

#include "formats/GameFiles.h"
#include "formats/SignedTable.h"

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

const OwnerName kAnn = [] { return QByteArray("Ann"); };
const OwnerName kNoOwner = [] {
    ADD_FAILURE() << "the owner's name was asked for";
    return QByteArray();
};

TEST(LevelTable, DecodesNamesScoresAndLevelsAndRefusesLengthsPastTheEnd) {
    const QByteArray file = LevelTableFile({{u"Ann"_s, 1200, 7},
                                            {u"Zo\u00eb"_s, 800, 3},
                                            {QString(), 500, 2},
                                            {u"A|B"_s, 10, 1},
                                            {u"Cut\u0000here"_s, 9, 1},
                                            {u"Minus"_s, -5, 1}});
    EXPECT_EQ(decodeLevelTable(file).value().records,
              (QList<HighscoreRecord>{{"Ann", 1200, "Level: 7"},
                                      {u"Zo\u00eb"_s.toLocal8Bit(), 800, "Level: 3"},
                                      {"Cut", 9, "Level: 1"}}));
    for (const qint32 count : {0, -1, std::numeric_limits<qint32>::min()})
        EXPECT_TRUE(decodeLevelTable(le32(quint32(count))).value().records.isEmpty()) << count;
    EXPECT_FALSE(decodeLevelTable(file.chopped(1)));
    EXPECT_FALSE(decodeLevelTable(le32(1) + le32(0x80000000u) + QByteArray(64, 'a')));
    EXPECT_FALSE(decodeLevelTable(le32(0x7FFFFFFF) + file.sliced(4)));
}

TEST(MaskedArchive, DecodesTenEntriesWithEveryLengthPrefix) {
    for (const ArchiveChars form : {ArchiveChars::Narrow, ArchiveChars::Wide}) {
        const QByteArray file = MaskedArchive(
            kQuilbitKey, u"Header text"_s,
            tenEntries({{u"Ann"_s, 3120}, {u"J\u00f6rg \u0141"_s, 2480}, {u"A|B"_s, 5}}), form);
        QList<HighscoreRecord> expected = {{"Ann", 3120, ""},
                                           {u"J\u00f6rg \u0141"_s.toLocal8Bit(), 2480, ""}};
        expected.resize(9, {"Anonymous", 100, ""}); // the name with a bar goes
        EXPECT_EQ(decodeMaskedArchive(file, ArchiveKey::Quilbit).value().records, expected);
        EXPECT_FALSE(decodeMaskedArchive(file.chopped(1), ArchiveKey::Quilbit));
    }

    // Every length form; hex digits of either case, read up to the first pair that is no hex
    // number; and the key wraps after 37 characters: the names run far past it.
    KeyMask mask(kMarbeloKey);
    QByteArray file = ArchiveStringBytes(mask.MaskedHexText(u"H"_s), ArchiveChars::Narrow);
    const ArchiveLength forms[] = {ArchiveLength::Shortest, ArchiveLength::Word,
                                   ArchiveLength::Dword};
    QList<HighscoreRecord> players;
    for (int i = 0; i < 10; ++i) { // the mask runs in file order
        const auto hex = QString::fromStdU16String(mask.MaskedHexText(u"Player %1"_s.arg(i)));
        ASSERT_NE(hex.toLower(), hex);
        file += ArchiveStringBytes((i ? hex : hex.toLower() + u"zz4142"_s).toStdU16String(),
                                   i % 2 ? ArchiveChars::Wide : ArchiveChars::Narrow, forms[i % 3]);
        file += mask.MaskedValue(100 + i);
        players.append({"Player " + QByteArray::number(i), 100 + i, ""});
    }
    EXPECT_EQ(decodeMaskedArchive(file, ArchiveKey::Marbelo).value().records, players);

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
    for (const auto& [time, score] : std::initializer_list<std::pair<qint32, qint32>>{
             {250, 749}, {1200, 0}, {999, 0}, {0, 999}, {-1, 1000}, {kMin, -(kMin + 1)}}) {
        const QByteArray file = MaskedArchive(
            kDeminarKey, u"Times"_s, {{u"First"_s, 10}, {u"Second"_s, 20}, {u"Ann"_s, time}});
        EXPECT_EQ(decodeTimedArchive(file, ArchiveKey::Deminar).value().records,
                  (QList<HighscoreRecord>{{"Ann", score, "Time: " + QByteArray::number(time)}}));
    }
}

TEST(Statistics, TheOwnerIsAskedOnlyWhenThereIsSomething) {
    // Games won beyond the signed range is no score: no record, but a table.
    EXPECT_EQ(decodeSolitaireStatistics(1, 0x80000000u, kAnn).value().records.size(), 0);
    EXPECT_FALSE(decodeSolitaireStatistics(0, 0, kNoOwner) || decodeModeStatistics(0, 0, kNoOwner));
}

// The header and the first record of the table text, or "-" for no table.
std::string firstRows(const std::optional<DecodedTable>& decoded) {
    return decoded ? decoded->text.split('\n').mid(0, 2).join('\n').toStdString() : "-";
}

TEST(DecodeGameData, DecodesNormalisesAndSignsTheTablesOfKnownGames) {
    const QByteArray archive = MaskedArchive(kQuilbitKey, u"H"_s, tenEntries({{u"Ann"_s, 300}}));
    const QByteArray marbelo = MaskedArchive(kMarbeloKey, u"H"_s, tenEntries({{u"Ann"_s, 300}}));
    const QByteArray times =
        MaskedArchive(kDeminarKey, u"H"_s, {{u"A"_s, 1}, {u"B"_s, 2}, {u"Cy"_s, 250}});
    const QByteArray oneEntry = LevelTableFile({{u"Ann"_s, 7, 1}});
    const struct {
        const char16_t* id;
        QByteArray data;
        QByteArray rows;
    } cases[] = {
        {u"Zelk Vondrel", LevelTableFile({{u"Bob"_s, 900, 4}, {u"Ann"_s, 1200, 7}}),
         "1|1|Zelk Vondrel\nAnn|1200|Level: 7"}, // sorted
        {u"QUILBIT", archive, "2|1|Zelk Quilbit\nAnn|300|"},
        {u"marbelo", marbelo, "3|1|Zelk Marbelo\nAnn|300|"},
        {u"paddlet", marbelo, "6|1|Zelk Paddlet\nAnn|300|"},
        {u"deminar", times, "5|1|Zelk Deminar\nCy|749|Time: 250"},
        {u"Marbelo SP", SignedTableText(9, 4, "P", {{"Bob", 10, ""}, {"Ann", 20, "x"}}),
         "3|1|Zelk Marbelo\nAnn|20|x"},
        {u"Solvane", le32(12) + le32(5), "4|1|Zelk Solvane\nAnn|5|Games: 12, won: 5"},
        {u"Chomplet3", le32(4120) + le32(17),
         "23|1|Chomplet Continuous Average\nAnn|4120|Games: 17"},
        {u"Trivia Blitz", "0|1|T\n", "-"},
        {u"vondrel", "", "-"},
        {u"vondrel", QByteArray(4, '\0'), "1|1|Zelk Vondrel\n" + tableDigest("1|1|Zelk Vondrel\n")},
        // A file's last byte may be missing when it is 0: the held NUL stands in for it.
        {u"vondrel", oneEntry.chopped(1), "1|1|Zelk Vondrel\nAnn|7|Level: 1"},
        {u"vondrel", oneEntry.chopped(2), "-"},
        {u"solvane", le32(0) + le32(0), "-"},
        {u"chomplet0", QByteArray(6, '\1'), "-"},
    };
    for (const auto& c : cases) {
        const auto decoded = decodeGameData(c.id, c.data, kAnn);
        EXPECT_EQ(firstRows(decoded), c.rows.toStdString())
            << QString::fromUtf16(c.id).toStdString();
        EXPECT_TRUE(!decoded || decoded->text == writeSignedTable(decoded->table));
    }
}

TEST(DecodeGameData, AnUnknownGameKeepsItsOwnTableText) {
    const QByteArray text = SignedTableText(12, 2, "Trivia", {{"Bob", 10, ""}, {"Ann", 20, "x"}});
    EXPECT_EQ(decodeGameData(u"Trivia Blitz", text, kNoOwner).value().text, text);
    const QByteArray unsignedText = SignedTableText(12, 2, "T", {}, false) + QByteArray("\0x", 2);
    EXPECT_EQ(decodeGameData(u"other", unsignedText, kNoOwner).value().text, unsignedText);
}

} // namespace
