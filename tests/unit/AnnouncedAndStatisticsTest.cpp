// The sources the scan builds beyond game folders: the solitaire statistics, the puzzle game's
// file, announced new highscores and the islands folder, all in whole scans of image folders.
#include "HighscoreWriters.h"
#include "TestImage.h"

#include "device/DownloadJob.h"
#include "device/HighscoreCollection.h"
#include "device/RapiSession.h"
#include "device/SimulatedDevice.h"
#include "scores/IslandMarks.h"
#include "scores/IslandsSource.h"
#include "scores/NewHighscoresSource.h"

#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

using namespace writers;

namespace {

const QString kProgramKey = QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n");
const QString kSolitaireKey =
    QStringLiteral("[HKEY_CURRENT_USER\\Software\\Zelkora\\Solvane\\Statistics]\n");

class ExtraSourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings(QStringLiteral("Zelkora"), QStringLiteral("Scorvane")).clear();
    }

    void Scan() {
        CSimulatedDevice device(image.Root());
        RapiSession session;
        ASSERT_EQ(RunDownload(session, &device, collection, 0), DOWNLOAD_OK);
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

    static std::string First(const CHighscoreSource* source) {
        if (!source || source->table.records.empty())
            return "<none>";
        const HighscoreRecord& r = source->table.records.front();
        return r.name + "|" + std::to_string(r.score) + "|" + r.extra;
    }

    TestImage image;
    CHighscoreCollection collection{25};
};

TEST_F(ExtraSourcesTest, EverySourceKindInOneScan) {
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
    Scan();
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

TEST_F(ExtraSourcesTest, SolitaireStatisticsRules) {
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
        Scan();
        EXPECT_EQ(First(Source("Zelk Solvane")), c.expected) << c.values.toStdString();
    }
}

TEST_F(ExtraSourcesTest, PuzzleAveragesNeedTenGames) {
    image.AddFile(QStringLiteral("\\Windows\\Chomplet.dat"),
                  PuzzleStatisticsFile({{{9, 150, 900}, {10, 150, 999}, {0, 40, 0}, {}}}));
    Scan();
    EXPECT_EQ(First(Source("Chomplet Standard Average")), "Anonymous|0|Games: 9")
        << "9 games: average 0, which the tree hides";
    EXPECT_EQ(First(Source("Chomplet Standard High")), "Anonymous|150|Games: 9");
    EXPECT_EQ(First(Source("Chomplet Continuous Average")), "Anonymous|99|Games: 10");
    EXPECT_EQ(First(Source("Chomplet Shifter High")), "Anonymous|40|Games: 0");
    EXPECT_EQ(Source("Chomplet Megaslide High"), nullptr) << "an empty mode decodes to nothing";
}

TEST_F(ExtraSourcesTest, AShortPuzzleFileReadsItsMissingBytesAsZero) {
    QByteArray file = PuzzleStatisticsFile({{{20, 500, 4000}, {30, 600, 9000}, {}, {}}});
    file.truncate(12712 + 6); // mode 1 cut after its games and half its highest score
    image.AddFile(QStringLiteral("\\Windows\\Chomplet.dat"), file);
    Scan();
    EXPECT_EQ(First(Source("Chomplet Standard Average")), "Anonymous|200|Games: 20");
    EXPECT_EQ(First(Source("Chomplet Continuous High")), "Anonymous|600|Games: 30")
        << "600 fits in the two bytes that were read";
    EXPECT_EQ(First(Source("Chomplet Continuous Average")), "Anonymous|0|Games: 30")
        << "its sum was never read";

    image.AddFile(QStringLiteral("\\Windows\\Chomplet.dat"), QByteArray());
    Scan();
    EXPECT_TRUE(collection.sources.empty());
}

TEST_F(ExtraSourcesTest, AnnouncedNewHighscores) {
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
    Scan();
    EXPECT_EQ(Titles(), (std::vector<std::string>{"Forty", "Unsigned"}));
    const CHighscoreSource* forty25 = Source("Forty");
    ASSERT_EQ(forty25->table.Count(), 25);
    EXPECT_EQ(First(forty25), "P39|390|");
    EXPECT_FALSE(Source("Unsigned")->table.verified);
}

TEST_F(ExtraSourcesTest, IslandsWhoseFilesAreAllDeletedStillCountAsLoaded) {
    image.AddFile(QStringLiteral("\\Isles\\b.1"), IslandFileBytes("One", "GONE"));
    image.SetRegistry(kProgramKey + QStringLiteral("\"i\"=\"2,\\\\Isles\"\n"));
    MarkIslandForDeletion("GONE"); // as an older version left it
    Scan();
    EXPECT_FALSE(QFile::exists(image.HostPath(QStringLiteral("\\Isles\\b.1"))));
    EXPECT_EQ(collection.islandsEntriesLoaded, 1);
    EXPECT_TRUE(collection.sources.empty());
}

TEST_F(ExtraSourcesTest, TheDeletionCycleAcrossTwoDownloads) {
    image.AddFile(QStringLiteral("\\Isles\\a.0"), IslandFileBytes("Home", "H"));
    image.AddFile(QStringLiteral("\\Isles\\b.1"), IslandFileBytes("One", "ONE", "first"));
    image.AddFile(QStringLiteral("\\Isles\\c.2"), IslandFileBytes("Two", "TWO"));
    image.SetRegistry(kProgramKey + QStringLiteral("\"i\"=\"2,\\\\Isles\"\n"));
    Scan();
    auto* islands = dynamic_cast<CIslandsSource*>(Source("Zelk Skyholm"));
    ASSERT_NE(islands, nullptr);
    ASSERT_EQ(islands->islands.size(), 3u);
    islands->islands[0]->chosen = true;
    islands->islands[1]->chosen = true;
    islands->OnPublishResult(true);

    Scan();
    EXPECT_TRUE(QFile::exists(image.HostPath(QStringLiteral("\\Isles\\a.0"))));
    EXPECT_FALSE(QFile::exists(image.HostPath(QStringLiteral("\\Isles\\b.1"))));
    EXPECT_TRUE(QFile::exists(image.HostPath(QStringLiteral("\\Isles\\c.2"))));
    islands = dynamic_cast<CIslandsSource*>(Source("Zelk Skyholm"));
    ASSERT_NE(islands, nullptr);
    EXPECT_EQ(islands->islands.size(), 2u);
    EXPECT_FALSE(IsIslandMarked("ONE"));
}

} // namespace
