// Whole scans over device image folders on disk, and the scan's use of the link.
#include "FakeDevice.h"
#include "HighscoreWriters.h"
#include "TestImage.h"

#include "device/HighscoreCollection.h"
#include "device/SimulatedDevice.h"
#include "device/TextCodec.h"
#include "scores/XorKeyDecoder.h"

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

class ScanTest : public ::testing::Test {
protected:
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
    const QString ownKey = QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n");
    const QString serviceKey =
        QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\SkyholmService\\Product]\n"
                       "\"propNameAppPath\"=\"\\\\Program Files\\\\Skyholm\\\\%1\"\n");
    Registry(ownKey + serviceKey.arg(QStringLiteral("Skyholm.exe")));
    ASSERT_EQ(Scan(), 1);
    EXPECT_TRUE(collection.islandsAppPresent);

    Registry(ownKey + serviceKey.arg(QStringLiteral("Gone.exe")));
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
