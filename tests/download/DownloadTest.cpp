// One download as the front ends run it: the session, the steps and their stops, the tree and
// the messages.
#include "FaultyHandheld.h"
#include "HighscoreWriters.h"

#include "download/Download.h"
#include "download/IslandsSource.h"
#include "formats/UploadData.h"
#include "profile/IslandMarks.h"
#include "profile/Profile.h"
#include "profile/Settings.h"

#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

namespace {

const QString kIsland = QStringLiteral("\\My Documents\\Skyholm\\island.1");
const QStringList kSteps = {"Reading the announcements",     "Searching the attachments folder",
                            "Searching the program folders", "Searching the storage cards",
                            "Reading the game statistics",   "Reading announced highscores"};

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings(QString::fromLatin1(kOrganisationName), QString::fromLatin1(kApplicationName))
            .clear();
        image.AddFile("\\Storage\\Program Files\\vondrel\\HighScores.sco",
                      writers::LevelTableFile({{QStringLiteral("Ann"), 10, 1}}));
        image.AddFile(kIsland, writers::IslandFileBytes("Reef", "reef-1", "body"));
        image.SetRegistry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n"
                          "\"Skyholm\"=\"2,\\\\My Documents\\\\Skyholm\"\n");
    }
    DownloadOutcome download(std::stop_token stop = {},
                             std::function<void(const QString&)> progress = {}) {
        return runDownload({handheld, marks, std::chrono::milliseconds(1000), std::move(stop),
                            std::move(progress)});
    }

    TestImage image;
    FaultyHandheld handheld{image};
    UserProfile profile;
    IslandMarks marks{profile};
};

TEST_F(DownloadTest, NoAnswerMeansNoDevice) {
    handheld.refuseSessions = true;
    const DownloadOutcome outcome = download();
    EXPECT_EQ(outcome.result, DownloadResult::NoDevice);
    EXPECT_TRUE(outcome.collection.sources.isEmpty());
}

TEST_F(DownloadTest, ScansStepByStepAndDisconnectsAfterwards) {
    QStringList steps;
    const DownloadOutcome outcome = download({}, [&](const QString& step) { steps << step; });
    EXPECT_EQ(outcome.result, DownloadResult::Ok);
    EXPECT_EQ(steps, kSteps);
    EXPECT_EQ(handheld.sessions, 1);
    EXPECT_EQ(handheld.open, 0);
    ASSERT_EQ(outcome.collection.sources.size(), 2);
    EXPECT_EQ(outcome.collection.sources[1]->title(), "Zelk Vondrel");
    EXPECT_FALSE(outcome.profileWriteFailed);
}

// Stopped before it connects, or as the scan reaches any of its steps: the island that an
// earlier publish marked is still there, and so is its mark. A download that runs to its end
// then deletes it.
TEST_F(DownloadTest, AStopLeavesTheHandheldAndTheProfileAsTheyWere) {
    const auto first = download().collection.sources.value(0);
    ASSERT_TRUE(first);
    ASSERT_TRUE(first->published(true, {0}, marks));
    for (const QString& stage : QStringList{QString()} + kSteps) {
        SCOPED_TRACE(stage.toStdString());
        std::stop_source stop;
        if (stage.isEmpty())
            stop.request_stop();
        const DownloadOutcome outcome = download(stop.get_token(), [&](const QString& step) {
            if (step == stage)
                stop.request_stop();
        });
        EXPECT_EQ(outcome.result, DownloadResult::Stopped);
        EXPECT_TRUE(QFile::exists(image.HostPath(kIsland)));
        EXPECT_TRUE(marks.isMarked("reef-1"));
        EXPECT_EQ(handheld.open, 0);
    }
    EXPECT_EQ(handheld.sessions, 1 + int(kSteps.size())) << "a stop before opens no session";
    EXPECT_EQ(download().result, DownloadResult::Ok);
    EXPECT_FALSE(QFile::exists(image.HostPath(kIsland)));
}

// Once the deletion of published islands has begun, a stop waits for its end.
TEST_F(DownloadTest, TheDeletionOfPublishedIslandsIsNeverStoppedHalfway) {
    const QString second = QStringLiteral("\\My Documents\\Skyholm\\island.2");
    image.AddFile(second, writers::IslandFileBytes("Cove", "cove-2"));
    const auto first = download().collection.sources.value(0);
    ASSERT_TRUE(first && first->published(true, {0, 1}, marks));
    std::stop_source stop;
    handheld.removing = [&] { stop.request_stop(); };
    EXPECT_EQ(download(stop.get_token()).result, DownloadResult::Ok);
    EXPECT_EQ(handheld.removed, 2);
    EXPECT_FALSE(QFile::exists(image.HostPath(kIsland)) || QFile::exists(image.HostPath(second)));
}

TEST(DownloadMessages, ComeInTheOrderTheyAreShown) {
    const QString islands = QStringLiteral(
        "Unable to download Zelk Skyholm highscores.\nPlease make sure that:\n1. Zelk Skyholm "
        "was executed at least one time after installation on your Pocket PC.\n2. Zelk Skyholm "
        "is not running on your Pocket PC right now.");
    const QString nothing = QStringLiteral("No highscores found on the mobile device.");
    auto outcome = [](DownloadResult result, QString notice, bool islandsApp, int loaded,
                      bool writeFailed = false) {
        DownloadOutcome o{result, {}, writeFailed};
        o.collection.notice = std::move(notice);
        o.collection.islandsAppPresent = islandsApp;
        o.collection.islandsFoldersLoaded = loaded;
        return o;
    };
    struct Case {
        DownloadOutcome outcome;
        bool treeShown;
        QStringList messages;
    };
    const Case cases[] = {
        {outcome(DownloadResult::Ok, "", false, 0), true, {}},
        {outcome(DownloadResult::Ok, "", false, 0), false, {nothing}},
        // Shown even when other sources fill the tree.
        {outcome(DownloadResult::Ok, "", true, 0), true, {islands}},
        // No "nothing found" after a notice.
        {outcome(DownloadResult::Ok, "notice", true, 0), false, {"notice", islands}},
        {outcome(DownloadResult::Ok, "notice", true, 1), true, {"notice"}},
        {outcome(DownloadResult::NoDevice, "", false, 0),
         false,
         {"Unable to connect to the mobile device."}},
        {outcome(DownloadResult::ScanFailed, "", false, 0),
         false,
         {"Error downloading highscores from the mobile device."}},
        {outcome(DownloadResult::Stopped, "", false, 0), true, {"The download was stopped."}},
        {outcome(DownloadResult::Ok, "", false, 0, true), true, {UserProfile::notSavedText()}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(downloadMessages(c.outcome, c.treeShown), c.messages)
            << c.messages.join(u'|').toStdString();
}

TEST(HighscoreTree, ShowsEntriesWithTheirRecordIndexAndDropsSourcesWithNothingToShow) {
    auto table = [](qint32 game, const char* title, QList<HighscoreRecord> records) {
        return std::make_shared<TableSource>(
            QString::fromLatin1(title), HighscoreTable{game, 1, title, std::move(records)}, "x");
    };
    Collection collection;
    collection.sources = {
        table(1, "Zelk Vondrel",
              {{"Player 3", 3000, "Level: 7"}, {"Ann", 2500, "Level: 6"}, {"Bob", 900, ""}}),
        table(2, "Only factory entries", {{"Anonymous", 100, ""}}),
        table(12, "Empty table", {}),
        std::make_shared<IslandsSource>(QList<Island>{{"\\i.x", -1, "", "", ""}}),
    };
    const QList<TreeBranch> tree = highscoreTree(collection);
    ASSERT_EQ(tree.size(), 2);
    EXPECT_EQ(tree[0].source, collection.sources[0]);
    EXPECT_EQ(tree[0].entries,
              (QList<SourceEntry>{{1, "Ann, 2500 points, Level: 6"}, {2, "Bob, 900 points"}}));
    EXPECT_EQ(tree[1].source, collection.sources[2]);
    EXPECT_TRUE(tree[1].entries.isEmpty());
}

} // namespace

namespace {

TEST(SourceUploads, CarryTheChosenEntriesWithTheirSitesAccount) {
    Settings settings;
    settings.community.email = QStringLiteral("c@x");
    settings.islands.email = QStringLiteral("i@x");
    settings.islands.password = QStringLiteral("pw");
    const HighscoreTable table{1, 1, "T", {{"Ann", 5, ""}}};
    EXPECT_EQ(TableSource("g", table, "text").uploadData(settings, {0, 3}),
              tableUploadData("text", {0, 3}, "c@x"));
    EXPECT_EQ(
        TableSource("n", table, "text", TableSource::Kind::Announced).uploadData(settings, {1}),
        tableUploadData("text", {1}, "i@x"));
    // Empty island files are never sent.
    const IslandsSource islands(
        {{"\\a.1", 1, "one", "", ""}, {"\\b.2", 2, "", "", ""}, {"\\c.3", 3, "three", "", ""}});
    EXPECT_EQ(islands.uploadData(settings, {0, 1, 7}), islandsUploadData("i@x", "pw", {"one"}));
    EXPECT_EQ(IslandsSource({}).uploadData(settings, {0}), std::nullopt);
}

} // namespace
