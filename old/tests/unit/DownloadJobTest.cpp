// One download as the front ends run it: connecting, scanning, the tree and the messages.
#include "FakeDevice.h"
#include "HighscoreWriters.h"

#include "device/DownloadJob.h"
#include "device/HighscoreCollection.h"
#include "device/RapiSession.h"
#include "scores/HighscoreTree.h"
#include "scores/IslandsSource.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace {

constexpr const char* kIslandsMessage =
    "Unable to download Zelk Skyholm highscores.\nPlease make sure that:\n1. Zelk Skyholm was "
    "executed at least one time after installation on your Pocket PC.\n2. Zelk Skyholm is not "
    "running on your Pocket PC right now.";

// A source whose table is given directly, as a decoder would leave it.
std::unique_ptr<CHighscoreSource> TableSource(CHighscoreCollection& collection, std::int32_t game,
                                              const char* title,
                                              std::vector<HighscoreRecord> records) {
    auto source = std::make_unique<CHighscoreSource>(&collection, kHighscoreSalt, title, 25);
    source->table.gameNumber = game;
    source->table.title = title;
    source->table.records = std::move(records);
    return source;
}

TEST(DownloadJob, NoAnswerLeavesTheCollectionAlone) {
    FakeDevice device;
    device.refuseSessions = true;
    RapiSession session;
    CHighscoreCollection collection(25);
    collection.sources.push_back(TableSource(collection, 1, "kept", {}));
    EXPECT_EQ(RunDownload(session, &device, collection, 10000), DOWNLOAD_NO_DEVICE);
    EXPECT_EQ(collection.sources.size(), 1u);
    EXPECT_FALSE(session.IsConnected());
    EXPECT_EQ(RunDownload(session, nullptr, collection, 10000), DOWNLOAD_NO_DEVICE);
}

TEST(DownloadJob, ScansThroughTheSessionAndDisconnectsAfterwards) {
    FakeDevice device;
    device.AddFile(QStringLiteral("\\Storage\\Program Files\\vondrel\\HighScores.sco"),
                   writers::LevelTableFile({{QStringLiteral("Ann"), 10, 1}}));
    RapiSession session;
    CHighscoreCollection collection(25);
    std::vector<std::string> stages;
    collection.progress = [&](const std::string& what) {
        stages.push_back(what);
        EXPECT_EQ(collection.Device(), &device) << "the scan reads the connected handheld";
    };
    EXPECT_EQ(RunDownload(session, &device, collection, 10000), DOWNLOAD_OK);
    EXPECT_FALSE(stages.empty());
    EXPECT_EQ(device.sessionsStarted, 1);
    EXPECT_EQ(device.sessionsEnded, 1);
    EXPECT_FALSE(session.IsConnected());
    EXPECT_EQ(collection.Device(), nullptr);
    ASSERT_EQ(collection.sources.size(), 1u);
    EXPECT_EQ(collection.sources[0]->GetTitle(), "Zelk Vondrel");
    // After the scan the sources read nothing from the handheld any more.
    EXPECT_EQ(collection.sources[0]->LoadFromDevice("\\x"), READ_OPEN_FAILED);
}

TEST(DownloadJob, AStopLeavesTheHandheldAndTheSourcesAsTheyWere) {
    QSettings().clear();
    const QString island = QStringLiteral("\\My Documents\\Skyholm\\island.1");
    FakeDevice device;
    device.AddFile(QStringLiteral("\\Storage\\Program Files\\vondrel\\HighScores.sco"),
                   writers::LevelTableFile({{QStringLiteral("Ann"), 10, 1}}));
    device.SetString(rapi::HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Zelkora\\Scorvane"),
                     QStringLiteral("Skyholm"), QStringLiteral("2,\\My Documents\\Skyholm"));
    device.AddFile(island, writers::IslandFileBytes("Reef", "reef-1", "body"));
    RapiSession session;
    CHighscoreCollection collection(25);
    ASSERT_EQ(RunDownload(session, &device, collection, 10000), DOWNLOAD_OK);
    // The island is published: the next download that runs to its end deletes its file.
    std::vector<CHighscoreSource*> before;
    for (const auto& source : collection.sources) {
        before.push_back(source.get());
        if (auto* islands = dynamic_cast<CIslandsSource*>(source.get())) {
            islands->islands.at(0)->chosen = true;
            islands->OnPublishResult(true);
        }
    }
    ASSERT_EQ(before.size(), 2u);

    // Stopped before it connects, or as the scan reaches any of its steps.
    for (const std::string stage :
         {"", "Reading the announcements", "Searching the attachments folder",
          "Searching the program folders", "Searching the storage cards",
          "Reading the game statistics", "Reading announced highscores"}) {
        SCOPED_TRACE(stage);
        std::stop_source stop;
        if (stage.empty())
            stop.request_stop();
        collection.progress = [&](const std::string& what) {
            if (what == stage)
                stop.request_stop();
        };
        EXPECT_EQ(RunDownload(session, &device, collection, 10000, stop.get_token()),
                  DOWNLOAD_STOPPED);
        std::vector<CHighscoreSource*> after;
        for (const auto& source : collection.sources)
            after.push_back(source.get());
        EXPECT_EQ(after, before);
        EXPECT_TRUE(device.HasFile(island));
        EXPECT_FALSE(session.IsConnected());
    }
    EXPECT_EQ(device.sessionsStarted, 7) << "a stop before the start opens no session";
    collection.progress = nullptr;
    EXPECT_EQ(RunDownload(session, &device, collection, 10000), DOWNLOAD_OK);
    EXPECT_FALSE(device.HasFile(island));
}

TEST(DownloadJob, MessagesComeInTheOrderTheDesktopShowsThem) {
    CHighscoreCollection collection(25);
    EXPECT_EQ(DownloadMessages(DOWNLOAD_OK, collection, true), std::vector<std::string>{});
    EXPECT_EQ(DownloadMessages(DOWNLOAD_OK, collection, false),
              std::vector<std::string>{"No highscores found on the mobile device."});

    collection.islandsAppPresent = true;
    EXPECT_EQ(DownloadMessages(DOWNLOAD_OK, collection, true),
              std::vector<std::string>{kIslandsMessage})
        << "shown even when other sources fill the tree";
    collection.scanMessage = "notice";
    EXPECT_EQ(DownloadMessages(DOWNLOAD_OK, collection, false),
              (std::vector<std::string>{"notice", kIslandsMessage}))
        << "no 'nothing found' after a notice";
    collection.islandsEntriesLoaded = 1;
    EXPECT_EQ(DownloadMessages(DOWNLOAD_OK, collection, true), std::vector<std::string>{"notice"});

    EXPECT_EQ(DownloadMessages(DOWNLOAD_NO_DEVICE, collection, false),
              std::vector<std::string>{"Unable to connect to the mobile device."});
    EXPECT_EQ(DownloadMessages(DOWNLOAD_SCAN_FAILED, collection, false),
              std::vector<std::string>{"Error downloading highscores from the mobile device."});
    EXPECT_EQ(DownloadMessages(DOWNLOAD_STOPPED, collection, true),
              std::vector<std::string>{"The download was stopped."});
    EXPECT_EQ(DownloadMessages(7, collection, true),
              std::vector<std::string>{"Unexpected error occured while downloading highscores "
                                       "from the mobile device."});
}

TEST(HighscoreTree, ShowsVisibleEntriesWithTheirRecordIndex) {
    CHighscoreCollection collection(25);
    collection.sources.push_back(TableSource(collection, 1, "Zelk Vondrel",
                                             {{"Player 3", 3000, "Level: 7"},
                                              {"Ann", 2500, "Level: 6"},
                                              {"Player 1", 1000, "Level: 5"},
                                              {"Bob", 900, ""}}));
    collection.sources.push_back(TableSource(collection, 2, "Only defaults",
                                             {{"Anonymous", 100, ""}, {"Anonymous", 100, ""}}));
    collection.sources.push_back(TableSource(collection, 12, "Empty table", {}));
    collection.sources.push_back(TableSource(collection, 0, "Unknown game", {{"Cid", 5, ""}}));

    const std::vector<TreeBranch> tree = BuildHighscoreTree(collection);
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree[0].source, collection.sources[0].get());
    EXPECT_EQ(tree[0].title, "Zelk Vondrel");
    EXPECT_EQ(tree[0].gameNumber, 1);
    ASSERT_EQ(tree[0].entries.size(), 2u);
    EXPECT_EQ(tree[0].entries[0].index, 1u);
    EXPECT_EQ(tree[0].entries[0].text, "Ann, 2500 points, Level: 6");
    EXPECT_EQ(tree[0].entries[1].index, 3u);
    EXPECT_EQ(tree[0].entries[1].text, "Bob, 900 points");
    EXPECT_TRUE(tree[0].entries[0].checked && tree[0].entries[1].checked);
    // A source with an empty table keeps its branch; one whose entries are all hidden does not.
    EXPECT_EQ(tree[1].title, "Empty table");
    EXPECT_TRUE(tree[1].entries.empty());
}

TEST(HighscoreTree, NothingToShowGivesNoTree) {
    CHighscoreCollection collection(25);
    EXPECT_TRUE(BuildHighscoreTree(collection).empty());
    collection.sources.push_back(TableSource(collection, 6, "Zelk Paddlet",
                                             {{"Anonymous", 0, ""}, {"Ann", 0, "[default]"}}));
    collection.sources.push_back(nullptr);
    EXPECT_TRUE(BuildHighscoreTree(collection).empty());
}

} // namespace
