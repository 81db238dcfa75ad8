// Whole scans over device image folders on disk: game folders, the statistics, announced new
// highscores and islands, and the scan's use of the link.
#include "FakeDevice.h"
#include "HighscoreWriters.h"
#include "TestImage.h"

#include "device/HighscoreCollection.h"
#include "device/SimulatedDevice.h"
#include "device/TextCodec.h"
#include "scores/IslandMarks.h"
#include "scores/NewHighscoresSource.h"
#include "scores/XorKeyDecoder.h"
#include "ui/Profile.h"

#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

using namespace writers;

namespace {

QByteArray Vondrel(const char* name, std::int32_t score) {
    return LevelTableFile({{QString::fromUtf8(name), score, 3}});
}

QByteArray Quilbit(const char* name, std::int32_t score) {
    std::vector<ArchiveEntry> entries = {{QString::fromUtf8(name), score}};
    while (entries.size() < 10)
        entries.push_back({QStringLiteral("Anonymous"), 100});
    return MaskedArchive(kQuilbitArchiveKey, QStringLiteral("H"), entries);
}

QByteArray Text(const char* title, const char* name, std::int32_t score) {
    return SignedTableText(12, 1, title, {{name, score, ""}});
}

const QString kProgramKey = QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n");
const QString kSolitaireKey =
    QStringLiteral("[HKEY_CURRENT_USER\\Software\\Zelkora\\Solvane\\Statistics]\n");

class ScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings(QStringLiteral("Zelkora"), QStringLiteral("Scorvane")).clear(); // island marks
    }
    int Scan() {
        device = std::make_unique<CSimulatedDevice>(image.Root());
        EXPECT_TRUE(device->StartSession(0));
        collection.SetDevice(device.get());
        const int result = collection.ScanDevice();
        collection.SetDevice(nullptr);
        return result;
    }

    // "name: title (first record)" of every source, in collection order.
    std::vector<std::string> Found() const {
        std::vector<std::string> found;
        for (const auto& source : collection.sources)
            found.push_back(source->Name() + ": " + source->GetTitle() + " (" +
                            (source->table.Count() ? source->table.records[0].name : "") + ")");
        return found;
    }

    CHighscoreSource* Source(const std::string& title) const {
        for (const auto& source : collection.sources)
            if (source->GetTitle() == title)
                return source.get();
        return nullptr;
    }

    std::vector<std::string> Titles() const {
        std::vector<std::string> titles;
        for (const auto& source : collection.sources)
            titles.push_back(source->GetTitle());
        return titles;
    }

    // "name|score|extra" of a source's first record.
    static std::string First(const CHighscoreSource* source) {
        if (!source || source->table.records.empty())
            return "<none>";
        const HighscoreRecord& r = source->table.records.front();
        return r.name + "|" + std::to_string(r.score) + "|" + r.extra;
    }

    void Registry(const QString& body) { image.SetRegistry(body); }

    TestImage image;
    std::unique_ptr<CSimulatedDevice> device;
    CHighscoreCollection collection{25};
};

TEST_F(ScanTest, AnEmptyHandheldFindsNothing) {
    collection.scanMessage = "left from before";
    collection.islandsAppPresent = true;
    collection.islandsEntriesLoaded = 3;
    collection.announcements.push_back({1, "old"});
    collection.sources.push_back(
        std::make_unique<CHighscoreSource>(&collection, kHighscoreSalt, "old", 25));
    EXPECT_EQ(Scan(), 1);
    EXPECT_TRUE(collection.sources.empty());
    EXPECT_EQ(collection.scanMessage, "");
    EXPECT_FALSE(collection.islandsAppPresent);
    EXPECT_EQ(collection.islandsEntriesLoaded, 0);
    EXPECT_TRUE(collection.announcements.empty());
}

TEST_F(ScanTest, FindsGamesInEveryPlaceAndSortsThemByTitle) {
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\vondrel\\HighScores.sco"),
                  Vondrel("Ann", 500));
    image.AddFile(QStringLiteral("\\Mounted Volume\\Program Files\\Zelk Quilbit\\records.dat"),
                  Quilbit("Bob", 700));
    image.AddFile(QStringLiteral("\\Storage Card\\Program Files\\trivia\\HighScores.sco"),
                  Text("trivia night", "Cid", 10));
    image.AddFile(QStringLiteral("\\IPSM\\Program Files\\Alpha\\HighScores.sco"),
                  Text("Alpha quiz", "Dee", 20));
    image.AddFile(QStringLiteral("\\Mail\\Inbox Files\\Beta\\HighScores.sco"),
                  Text("beta quiz", "Eve", 30));
    image.AddFile(QStringLiteral("\\SD Card\\Gamma\\HighScores.sco"),
                  Text("Gamma quiz", "Fay", 40));
    image.SetDeviceIni(QStringLiteral("[Device]\nStorageCards=SD Card\n[Link]\nPacing=0\n"));
    Registry(QStringLiteral("[HKEY_LOCAL_MACHINE\\PMail\\Attachments]\n"
                            "\"TopDir\"=\"Mail\\\\Inbox Files\"\n"));
    ASSERT_EQ(Scan(), 1);
    EXPECT_EQ(Found(), (std::vector<std::string>{
                           "Alpha: Alpha quiz (Dee)",
                           "Beta: beta quiz (Eve)",
                           "Gamma: Gamma quiz (Fay)",
                           "trivia: trivia night (Cid)",
                           "Zelk Quilbit: Zelk Quilbit (Bob)",
                           "vondrel: Zelk Vondrel (Ann)",
                       }));
}

TEST_F(ScanTest, EachGameFolderIsTriedWithItsOwnFileName) {
    const QString root = QStringLiteral("\\Storage\\Program Files\\");
    // Each folder holds a decodable table, but under the other name only.
    image.AddFile(root + QStringLiteral("marbelo\\HighScores.sco"), Text("x", "A", 1));
    image.AddFile(root + QStringLiteral("MARBELO SP\\records.dat"),
                  MaskedArchive(kMarbeloArchiveKey, QStringLiteral("H"),
                                std::vector<ArchiveEntry>(10, {QStringLiteral("B"), 2})));
    image.AddFolder(root + QStringLiteral("deminar"));
    ASSERT_EQ(Scan(), 1);
    EXPECT_TRUE(collection.sources.empty()) << Found().front();

    image.AddFile(root + QStringLiteral("MARBELO SP\\HighScores.sco"),
                  SignedTableText(3, 1, "phone", {{"Ann", 50, ""}}));
    image.AddFile(root + QStringLiteral("marbelo\\records.dat"),
                  MaskedArchive(kMarbeloArchiveKey, QStringLiteral("H"),
                                std::vector<ArchiveEntry>(10, {QStringLiteral("Bob"), 2})));
    ASSERT_EQ(Scan(), 1);
    EXPECT_EQ(Found(), (std::vector<std::string>{"marbelo: Zelk Marbelo (Bob)",
                                                 "MARBELO SP: Zelk Marbelo (Ann)"}));
}

TEST_F(ScanTest, AnnouncedFoldersAreNeverGameFolders) {
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\Skyholm\\HighScores.sco"),
                  Text("islands", "Ann", 1));
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\vondrel\\HighScores.sco"),
                  Vondrel("Bob", 5));
    Registry(QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n"
                            "\"a\"=\"2,\\\\STORAGE\\\\program files\\\\skyholm\"\n"
                            "\"b\"=\"1,\\\\Storage\\\\Program Files\\\\vondrel\\\\x.sco\"\n"));
    ASSERT_EQ(Scan(), 1);
    // The announced folder is read as the islands folder (its one file has no island number),
    // never as a game folder.
    EXPECT_EQ(Found(), (std::vector<std::string>{"NewHighscores_Skyholm: Zelk Skyholm ()",
                                                 "vondrel: Zelk Vondrel (Bob)"}));
    ASSERT_EQ(collection.announcements.size(), 2u);
    EXPECT_EQ(collection.islandsEntriesLoaded, 1);
}

TEST_F(ScanTest, ReadsOnlyWellFormedAnnouncements) {
    Registry(QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n"
                            "\"one\"=\"1,\\\\My Documents\\\\new.sco\"\n"
                            "\"zero\"=\"0,\\\\x\"\n"
                            "\"word\"=\"abc,\\\\x\"\n"
                            "\"none\"=\"1\"\n"
                            "\"empty\"=\"\"\n"
                            "\"minus\"=\"-2,\\\\x\"\n"
                            "\"bare\"=\"2,\"\n"
                            "\"spaced\"=\" +3x,a,b\"\n"
                            "\"huge\"=\"99999999999,h\"\n"
                            "\"number\"=dword:00000001\n"));
    ASSERT_EQ(Scan(), 1);
    std::vector<std::pair<int, std::string>> read;
    for (const Announcement& a : collection.announcements)
        read.emplace_back(a.kind, a.text);
    EXPECT_EQ(read, (std::vector<std::pair<int, std::string>>{
                        {1, "\\My Documents\\new.sco"}, {2, ""}, {3, "a,b"}, {2147483647, "h"}}));
}

TEST_F(ScanTest, TheIslandsGameCountsAsPresentOnlyWhenItsProgramExists) {
    image.AddFile(QStringLiteral("\\Program Files\\Skyholm\\Skyholm.exe"), "MZ");
    const QString serviceKey =
        QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\SkyholmService\\Product]\n"
                       "\"propNameAppPath\"=\"\\\\Program Files\\\\Skyholm\\\\%1\"\n");
    Registry(kProgramKey + serviceKey.arg(QStringLiteral("Skyholm.exe")));
    ASSERT_EQ(Scan(), 1);
    EXPECT_TRUE(collection.islandsAppPresent);

    Registry(kProgramKey + serviceKey.arg(QStringLiteral("Gone.exe")));
    ASSERT_EQ(Scan(), 1);
    EXPECT_FALSE(collection.islandsAppPresent);

    // An islands game that never ran has announced nothing, so the program's own key may be
    // missing: the game still counts as present, so that the user is told to run it once.
    Registry(serviceKey.arg(QStringLiteral("Skyholm.exe")));
    ASSERT_EQ(Scan(), 1);
    EXPECT_TRUE(collection.islandsAppPresent);
    EXPECT_EQ(collection.islandsEntriesLoaded, 0);
}

TEST_F(ScanTest, OnlyStorageCardsAreSearchedAtTheRoot) {
    image.AddFile(QStringLiteral("\\Backup\\vondrel\\HighScores.sco"), Vondrel("Ann", 1));
    image.AddFile(QStringLiteral("\\Card\\Program Files\\HighScores.sco"),
                  Text("On card", "Bob", 2));
    image.AddFile(QStringLiteral("\\Card\\Program Files\\vondrel\\HighScores.sco"),
                  Vondrel("Cid", 3));
    image.SetDeviceIni(QStringLiteral("[Device]\nStorageCards=Card\n[Link]\nPacing=0\n"));
    ASSERT_EQ(Scan(), 1);
    // The card's "Program Files" is itself tried as a game folder; its sub-folders are not
    // searched, since the card is not mounted as one of the program folders.
    EXPECT_EQ(Found(), std::vector<std::string>{"Program Files: On card (Bob)"});
}

TEST_F(ScanTest, TheAttachmentsFolderIsTakenFromTheRoot) {
    image.AddFile(QStringLiteral("\\Attach\\quilbit\\records.dat"), Quilbit("Ann", 300));
    Registry(QStringLiteral("[HKEY_LOCAL_MACHINE\\PMail\\Attachments]\n\"TopDir\"=\"Attach\"\n"));
    ASSERT_EQ(Scan(), 1);
    EXPECT_EQ(Found(), std::vector<std::string>{"quilbit: Zelk Quilbit (Ann)"});

    Registry(QStringLiteral("[HKEY_LOCAL_MACHINE\\PMail\\Attachments]\n\"TopDir\"=\"\"\n"));
    ASSERT_EQ(Scan(), 1);
    EXPECT_TRUE(collection.sources.empty());
}

TEST_F(ScanTest, NothingIsMergedAndEqualTitlesStay) {
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\vondrel\\HighScores.sco"),
                  Vondrel("Ann", 1));
    image.AddFile(QStringLiteral("\\IPSM\\Program Files\\Zelk Vondrel\\HighScores.sco"),
                  Vondrel("Bob", 2));
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\Trivia\\HighScores.sco"),
                  Text("zelk vondrel", "Cid", 3));
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\Broken\\HighScores.sco"), "0|1|x\n");
    ASSERT_EQ(Scan(), 1);
    ASSERT_EQ(collection.sources.size(), 3u);
    for (const auto& source : collection.sources)
        EXPECT_EQ(CompareNoCase(source->GetTitle(), "Zelk Vondrel"), 0);
}

TEST_F(ScanTest, ReportsEachStageAndTheUnknownFolderKeepsItsName) {
    std::vector<std::string> stages;
    collection.progress = [&](const std::string& what) { stages.push_back(what); };
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\My Quiz\\HighScores.sco"),
                  Text("Quiz", "Ann", 9));
    ASSERT_EQ(Scan(), 1);
    ASSERT_EQ(collection.sources.size(), 1u);
    EXPECT_EQ(collection.sources[0]->Name(), "My Quiz");
    const std::vector<std::string> expected = {
        "Reading the announcements",     "Searching the attachments folder",
        "Searching the program folders", "Searching the storage cards",
        "Reading the game statistics",   "Reading announced highscores"};
    EXPECT_EQ(stages, expected);
}

// --- statistics, announced new highscores and islands ----------------------------------------

TEST_F(ScanTest, EverySourceKindInOneScan) {
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\vondrel\\HighScores.sco"),
                  LevelTableFile({{QStringLiteral("Ann"), 1200, 7}}));
    image.AddFile(QStringLiteral("\\Windows\\Chomplet.dat"),
                  PuzzleStatisticsFile({{{12, 900, 3600}, {}, {}, {}}}));
    image.AddFile(QStringLiteral("\\My Documents\\new.sco"),
                  SignedTableText(2, 1, "Quilbit Fresh", {{"Anonymous", 100, ""}, {"Cy", 7, ""}}));
    image.AddFile(QStringLiteral("\\My Documents\\Isles\\a.0"), IslandFileBytes("Home", "ID0"));
    image.AddFile(QStringLiteral("\\My Documents\\Isles\\b.3"), IslandFileBytes("Far", "ID3"));
    image.SetRegistry(
        QStringLiteral("[HKEY_CURRENT_USER\\ControlPanel\\Owner]\n\"Name\"=\"Ann\"\n") +
        kSolitaireKey + QStringLiteral("\"Games\"=dword:0000000c\n\"Won\"=dword:00000005\n") +
        kProgramKey +
        QStringLiteral("\"n\"=\"1,\\\\My Documents\\\\new.sco\"\n"
                       "\"i\"=\"2,\\\\My Documents\\\\Isles\"\n"));
    ASSERT_EQ(Scan(), 1);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Chomplet Standard Average",
                                                  "Chomplet Standard High", "Quilbit Fresh",
                                                  "Zelk Skyholm", "Zelk Solvane", "Zelk Vondrel"}));
    EXPECT_EQ(First(Source("Zelk Solvane")), "Ann|5|Games: 12, won: 5");
    EXPECT_EQ(First(Source("Chomplet Standard High")), "Ann|900|Games: 12");
    EXPECT_EQ(First(Source("Chomplet Standard Average")), "Ann|300|Games: 12");
    EXPECT_EQ(collection.islandsEntriesLoaded, 1);

    CHighscoreSource* fresh = Source("Quilbit Fresh");
    ASSERT_NE(dynamic_cast<CNewHighscoresSource*>(fresh), nullptr);
    EXPECT_EQ(fresh->GetDestination(), DEST_ISLANDS);
    EXPECT_EQ(fresh->GetGameNumber(), 2);
    EXPECT_EQ(fresh->data.View().substr(0, 14), "2|1|Quilbit Fr") << "kept exactly as read";
}

TEST_F(ScanTest, SolitaireStatisticsRules) {
    struct Case {
        QString values;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("\"Won\"=dword:00000003\n"), "Anonymous|3|Games: 0, won: 3"},
        {QStringLiteral("\"Games\"=dword:000186a1\n\"Won\"=dword:00000003\n"),
         "Anonymous|3|Games: 0, won: 3"},
        {QStringLiteral("\"Games\"=dword:000186a0\n\"Won\"=dword:00000003\n"),
         "Anonymous|3|Games: 100000, won: 3"},
        {QStringLiteral("\"Games\"=dword:00000004\n"), "<none>"},
        {QStringLiteral("\"Games\"=dword:00000000\n\"Won\"=dword:00000000\n"), "<none>"},
    };
    for (const Case& c : cases) {
        image.SetRegistry(kSolitaireKey + c.values);
        ASSERT_EQ(Scan(), 1);
        EXPECT_EQ(First(Source("Zelk Solvane")), c.expected) << c.values.toStdString();
    }
}

TEST_F(ScanTest, PuzzleAveragesNeedTenGames) {
    image.AddFile(QStringLiteral("\\Windows\\Chomplet.dat"),
                  PuzzleStatisticsFile({{{9, 150, 900}, {10, 150, 999}, {0, 40, 0}, {}}}));
    ASSERT_EQ(Scan(), 1);
    EXPECT_EQ(First(Source("Chomplet Standard Average")), "Anonymous|0|Games: 9")
        << "9 games: average 0, which the tree hides";
    EXPECT_EQ(First(Source("Chomplet Standard High")), "Anonymous|150|Games: 9");
    EXPECT_EQ(First(Source("Chomplet Continuous Average")), "Anonymous|99|Games: 10");
    EXPECT_EQ(First(Source("Chomplet Shifter High")), "Anonymous|40|Games: 0");
    EXPECT_EQ(Source("Chomplet Megaslide High"), nullptr) << "an empty mode decodes to nothing";
}

TEST_F(ScanTest, AShortPuzzleFileReadsItsMissingBytesAsZero) {
    QByteArray file = PuzzleStatisticsFile({{{20, 500, 4000}, {30, 600, 9000}, {}, {}}});
    file.truncate(12712 + 6); // mode 1 cut after its games and half its highest score
    image.AddFile(QStringLiteral("\\Windows\\Chomplet.dat"), file);
    ASSERT_EQ(Scan(), 1);
    EXPECT_EQ(First(Source("Chomplet Standard Average")), "Anonymous|200|Games: 20");
    EXPECT_EQ(First(Source("Chomplet Continuous High")), "Anonymous|600|Games: 30")
        << "600 fits in the two bytes that were read";
    EXPECT_EQ(First(Source("Chomplet Continuous Average")), "Anonymous|0|Games: 30")
        << "its sum was never read";

    image.AddFile(QStringLiteral("\\Windows\\Chomplet.dat"), QByteArray());
    ASSERT_EQ(Scan(), 1);
    EXPECT_TRUE(collection.sources.empty());
}

TEST_F(ScanTest, AnnouncedNewHighscores) {
    std::vector<TextRecord> forty;
    for (int i = 0; i < 40; ++i)
        forty.push_back({"P" + std::to_string(i), i * 10, ""});
    image.AddFile(QStringLiteral("\\a.sco"), SignedTableText(9, 1, "Forty", forty));
    image.AddFile(QStringLiteral("\\b.sco"), SignedTableText(9, 1, "Header only", {}));
    image.AddFile(QStringLiteral("\\c.sco"), QByteArray("not a table\n"));
    image.AddFile(QStringLiteral("\\d.sco"),
                  SignedTableText(3, 1, "Unsigned", {{"Ann", 5, ""}}, false));
    image.SetRegistry(kProgramKey + QStringLiteral("\"a\"=\"1,\\\\a.sco\"\n\"b\"=\"1,\\\\b.sco\"\n"
                                                   "\"c\"=\"1,\\\\c.sco\"\n\"d\"=\"1,\\\\d.sco\"\n"
                                                   "\"e\"=\"1,\\\\missing.sco\"\n"));
    ASSERT_EQ(Scan(), 1);
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Forty", "Unsigned"}));
    const CHighscoreSource* forty25 = Source("Forty");
    ASSERT_EQ(forty25->table.Count(), 25);
    EXPECT_EQ(First(forty25), "P39|390|");
    EXPECT_FALSE(Source("Unsigned")->table.verified);
}

TEST_F(ScanTest, IslandsWhoseFilesAreAllDeletedStillCountAsLoaded) {
    image.AddFile(QStringLiteral("\\Isles\\b.1"), IslandFileBytes("One", "GONE"));
    image.SetRegistry(kProgramKey + QStringLiteral("\"i\"=\"2,\\\\Isles\"\n"));
    CIslandMarks(UserProfile()).Mark("GONE"); // as an older version left it
    ASSERT_EQ(Scan(), 1);
    EXPECT_FALSE(QFile::exists(image.HostPath(QStringLiteral("\\Isles\\b.1"))));
    EXPECT_EQ(collection.islandsEntriesLoaded, 1);
    EXPECT_TRUE(collection.sources.empty());
}

// --- the link: pauses and search buffers ------------------------------------------------------

TEST(ScanLink, PausesAfterEverySearchRecordAndFileAndFreesEverySearch) {
    FakeDevice device;
    device.AddFolder(QStringLiteral("\\Storage\\Program Files\\Notes"));
    CHighscoreCollection collection(25);
    collection.SetDevice(&device);
    ASSERT_EQ(collection.ScanDevice(), 1);
    // Program folder search (1), its record (1) with a failed open (1); three missing program
    // folders (3); the root search's one record (1).
    EXPECT_EQ(device.pauses, 7);
    EXPECT_EQ(device.LiveSearchBuffers(), 0u);
    EXPECT_EQ(device.OpenKeyCount(), 0u);
    EXPECT_EQ(device.OpenFileCount(), 0u);
}

TEST(ScanLink, FreesSearchesThatFindNothingOrFail) {
    for (const int fault : {0, 1, 2}) {
        FakeDevice device;
        device.AddFolder(QStringLiteral("\\Storage\\Program Files"));
        device.AddFile(QStringLiteral("\\Card\\vondrel\\HighScores.sco"), Vondrel("Ann", 5));
        device.AddFile(QStringLiteral("\\Card\\quilbit\\records.dat"), "short");
        device.AddFolder(QStringLiteral("\\Card"), rapi::FILE_ATTRIBUTE_TEMPORARY);
        device.emptySearchLeavesPointer = fault == 1;
        device.failSearches = fault == 2;
        CHighscoreCollection collection(25);
        collection.SetDevice(&device);
        ASSERT_EQ(collection.ScanDevice(), 1);
        EXPECT_EQ(device.LiveSearchBuffers(), 0u) << fault;
        EXPECT_EQ(device.OpenFileCount(), 0u) << fault;
        EXPECT_EQ(collection.sources.size(), fault == 2 ? 0u : 1u) << fault;
    }
}

TEST(ScanLink, WithoutAHandheldTheScanFindsNothing) {
    CHighscoreCollection collection(25);
    EXPECT_EQ(collection.ScanDevice(), 1);
    EXPECT_TRUE(collection.sources.empty());
}

} // namespace
