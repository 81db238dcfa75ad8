// One download as the front ends run it: the session, the steps and their stops, the islands
// folders and the publish/delete cycle that must never lose an island the player has not
// published, the tree and the messages.
#include "FaultyHandheld.h"
#include "HighscoreWriters.h"
#include "StoppingProfile.h"

#include "download/Download.h"
#include "download/IslandsSource.h"
#include "formats/UploadData.h"
#include "profile/IslandMarks.h"
#include "profile/Profile.h"
#include "profile/Settings.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

// Names outside the Windows code page: on the way from the listing to the deletion a path
// never passes through an 8-bit text.
const QString kFolder = QStringLiteral("\\My Documents\\Sky\u0151holm");
const QStringList kSteps = {"Reading the announcements",     "Searching the attachments folder",
                            "Searching the program folders", "Searching the storage cards",
                            "Reading the game statistics",   "Reading announced highscores"};

class DownloadTest : public ::testing::Test {
protected:
    // A download with these islands folders announced; the first islands table it found.
    std::shared_ptr<IslandsSource> download(const QStringList& folders = {kFolder},
                                            std::stop_token stop = {},
                                            std::function<void(const QString&)> progress = {}) {
        QString registry = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n";
        for (qsizetype i = 0; i < folders.size(); ++i)
            registry += QStringLiteral("\"%1\"=\"2,%2\"\n")
                            .arg(i)
                            .arg(QString(folders[i]).replace(u'\\', QStringLiteral("\\\\")));
        image.SetRegistry(registry);
        outcome = runDownload({handheld, *marks, std::chrono::milliseconds(1000), std::move(stop),
                               std::move(progress)});
        for (const auto& source : outcome.collection.sources)
            if (auto islands = std::dynamic_pointer_cast<IslandsSource>(source))
                return islands;
        return nullptr;
    }
    // A download whose islands at the given indices are then published successfully.
    void downloadAndPublish(const QList<quint32>& chosen) {
        const auto source = download();
        ASSERT_TRUE(source);
        EXPECT_TRUE(source->published(true, chosen, *marks));
    }
    void addIsland(const QString& file, const char* name, const char* id, const char* body = "") {
        image.AddFile(kFolder + u'\\' + file, writers::IslandFileBytes(name, id, body));
    }
    bool has(const QString& file) const {
        return QFile::exists(image.HostPath(kFolder + u'\\' + file));
    }

    TestImage image;
    FaultyHandheld handheld{image};
    StoppingProfile profile;
    std::unique_ptr<IslandMarks> marks = std::make_unique<IslandMarks>(profile);
    DownloadOutcome outcome;
};

TEST_F(DownloadTest, ScansStepByStepAndDisconnectsAfterwards) {
    addIsland("a.1", "Alpha", "A", "body");
    addIsland("b.0", "Home", "B");
    image.AddFile(kFolder + "\\settings.ini", "x");
    addIsland("sub\\c.2", "Nested", "C");
    addIsland("z.4", "Four", "Z");
    QStringList steps;
    const auto source = download({kFolder}, {}, [&](const QString& step) { steps << step; });
    EXPECT_EQ(outcome.result, DownloadResult::Ok);
    EXPECT_EQ(steps, kSteps);
    EXPECT_EQ(handheld.sessions, 1);
    EXPECT_EQ(handheld.open, 0);
    // Every file is read as stored, subfolders are skipped. A file without an island number is
    // listed but not shown; the entries after it keep their index.
    ASSERT_TRUE(source);
    const Island first = source->islands().value(0);
    EXPECT_EQ(first.path + ' ' + first.id, kFolder + "\\a.1 A");
    EXPECT_EQ(first.bytes, writers::IslandFileBytes("Alpha", "A", "body"));
    EXPECT_EQ(source->entries(),
              (QList<SourceEntry>{
                  {0, "Island 1 (Alpha)"}, {1, "Current island (Home)"}, {3, "Island 4 (Four)"}}));
    handheld.refuseSessions = true;
    EXPECT_FALSE(download());
    EXPECT_EQ(outcome.result, DownloadResult::NoDevice);
}

// Stopped before it connects, or as the scan reaches any of its steps: the islands that an
// earlier publish marked are still there, and so are their marks. A download that runs to its
// end then deletes them, and once that deletion has begun, a stop waits for its end.
TEST_F(DownloadTest, AStopLeavesTheHandheldAndTheProfileAsTheyWere) {
    addIsland(QStringLiteral("\u0141sland.1"), "Reef", "reef-1", "body");
    addIsland("island.2", "Cove", "cove-2");
    downloadAndPublish({0, 1});
    for (const QString& stage : QStringList{QString()} + kSteps) {
        SCOPED_TRACE(stage.toStdString());
        std::stop_source stop;
        if (stage.isEmpty())
            stop.request_stop();
        download({kFolder}, stop.get_token(), [&](const QString& step) {
            if (step == stage)
                stop.request_stop();
        });
        EXPECT_EQ(outcome.result, DownloadResult::Stopped);
        EXPECT_TRUE(has(QStringLiteral("\u0141sland.1")) && has("island.2"));
        EXPECT_TRUE(marks->isMarked("reef-1"));
        EXPECT_EQ(handheld.open, 0);
    }
    EXPECT_EQ(handheld.sessions, 1 + int(kSteps.size())) << "a stop before opens no session";
    std::stop_source stop;
    handheld.removing = [&] { stop.request_stop(); };
    download({kFolder}, stop.get_token());
    EXPECT_EQ(outcome.result, DownloadResult::Ok);
    EXPECT_FALSE(has(QStringLiteral("\u0141sland.1")) || has("island.2"));
}

TEST_F(DownloadTest, FoldersThatCannotBeReadWhole) {
    // The handheld's paths hold 259 characters: 100 + 100 + 55 and the backslashes make 258.
    const QString deep = "\\" + QString(100, 'a') + "\\" + QString(100, 'b') + "\\";
    struct Case {
        const char* what;
        QString folder;
        QStringList files;
        int islands; // -1: the folder is not loaded
        QString unreadable = {};
        bool unlistable = false;
    };
    const Case cases[] = {
        {"an empty folder", kFolder, {}, 0},
        {"a missing folder", kFolder + "x", {}, -1},
        {"an unreadable file", kFolder + "2", {"a.1", "b.2"}, -1, "b.2"},
        {"a folder that cannot be listed", kFolder + "3", {"a.1"}, -1, {}, true},
        {"room for a one-character name", deep + QString(54, 'c'), {"1"}, 1},
        {"a path one too long", deep + QString(54, 'd'), {"12"}, -1},
        {"no room for a file name", deep + QString(55, 'c'), {"1"}, -1},
    };
    image.AddFolder(kFolder);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString& file : c.files)
            image.AddFile(c.folder + u'\\' + file, writers::IslandFileBytes("I", "I"));
        handheld.unreadable = c.unreadable;
        handheld.failListings = c.unlistable;
        EXPECT_EQ(bool(download({c.folder})), c.islands > 0);
        EXPECT_EQ(outcome.collection.islandsFoldersLoaded, c.islands < 0 ? 0 : 1);
    }
}

// A whole cycle (a publish, the player removing a published file by hand, the next download
// deleting what was published) is stopped at each profile write in turn, then the program
// starts again. Wherever it stopped, no island that was not published is ever deleted, nor the
// island being played; once the publish was recorded every other published island goes, and
// the profile ends up clean.
TEST_F(DownloadTest, StoppingAtAnyProfileWriteNeverDeletesAnUnpublishedIsland) {
    bool finished = false;
    for (int writes = 0; !finished; ++writes) {
        SCOPED_TRACE(writes);
        ASSERT_LT(writes, 50);
        profile = StoppingProfile();
        addIsland("a.0", "Home", "HOME");    // published, being played
        addIsland("b.1", "B", "SAME", "v1"); // published
        addIsland("c.2", "C", "SAME", "v2"); // shares the id, never published
        addIsland("d.3", "D", "OTHER");      // published
        addIsland("e.4", "E", "HAND", "v1"); // published, then removed by hand
        addIsland("f.5", "F", "HAND", "v2"); // shares that id, never published
        profile.stopAfter(writes, true);
        marks = std::make_unique<IslandMarks>(profile);
        bool recorded = false;
        try {
            const auto first = download();
            ASSERT_TRUE(first);
            first->published(true, {0, 1, 3, 4}, *marks);
            recorded = true;
            QFile::remove(image.HostPath(kFolder + "\\e.4"));
            download();
            finished = true;
            EXPECT_FALSE(outcome.profileWriteFailed);
        } catch (const StoppingProfile::Stopped&) {
        }
        profile.stopAfter(-1); // the program starts again
        marks = std::make_unique<IslandMarks>(profile);
        QFile::remove(image.HostPath(kFolder + "\\e.4"));
        ASSERT_TRUE(download());
        EXPECT_TRUE(has("a.0") && has("c.2") && has("f.5"));
        EXPECT_TRUE(!recorded || !(has("b.1") || has("d.3")));
        EXPECT_TRUE(!finished || profile.values().isEmpty());
    }
}

// Each islands folder keeps its own records: reading one never drops what another published.
// A folder announced twice (in another case, with a closing backslash) is read once.
TEST_F(DownloadTest, EachIslandsFolderIsReadOnceAndKeepsItsRecords) {
    const QString other = QStringLiteral("\\Storage Card\\Skyholm");
    addIsland("a.1", "A", "A1");
    image.AddFile(other + "\\b.1", writers::IslandFileBytes("B", "B1"));
    const QStringList folders = {kFolder, other, kFolder.toUpper() + "\\"};
    download(folders);
    ASSERT_EQ(outcome.collection.sources.size(), 2) << "one islands table per folder";
    EXPECT_EQ(outcome.collection.islandsFoldersLoaded, 2);
    auto second = std::dynamic_pointer_cast<IslandsSource>(outcome.collection.sources[1]);
    ASSERT_EQ(second->islands().at(0).id, "B1");
    EXPECT_TRUE(second->published(true, {0}, *marks));

    download(folders);
    EXPECT_FALSE(QFile::exists(image.HostPath(other + "\\b.1")));
    EXPECT_TRUE(has("a.1"));
}

// A failed upload deletes nothing; an island whose deletion fails keeps its mark.
TEST_F(DownloadTest, AFailedUploadOrDeletionKeepsTheIsland) {
    addIsland("b.1", "One", "I1");
    const auto first = download();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->published(false, {0}, *marks));
    downloadAndPublish({0});
    handheld.keepDeleted = true;
    const auto second = download();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->islands().size(), 1) << "still on the handheld, still listed";
    EXPECT_TRUE(marks->isMarked("I1"));
    handheld.keepDeleted = false;
    EXPECT_FALSE(download());
    EXPECT_FALSE(has("b.1"));
    EXPECT_FALSE(marks->isMarked("I1"));
}

// Once the marks cannot follow the files, nothing more is deleted: a mark left behind would
// delete an island that only shares its id.
// Marks from older versions hold the id alone; the island being played is never deleted.
TEST_F(DownloadTest, AProfileThatCannotBeWrittenStopsTheDeletion) {
    addIsland("a.0", "Current", "OLD");
    addIsland("b.1", "One", "OLD");
    addIsland("c.2", "Two", "OLD");
    addIsland("d.3", "Three", "X");
    addIsland("e.4", "Four", "NEW");
    ASSERT_TRUE(marks->mark("OLD"));
    ASSERT_TRUE(marks->mark("X"));
    profile.stopAfter(0);
    const auto source = download();
    EXPECT_TRUE(outcome.profileWriteFailed);
    ASSERT_TRUE(source);
    EXPECT_TRUE(has("a.0") && !has("b.1") && has("c.2"));
    // A publish that cannot be recorded says so.
    EXPECT_FALSE(source->published(true, {3}, *marks));
    EXPECT_FALSE(marks->isMarked("NEW"));
}

TEST(DownloadMessages, ComeInTheOrderTheyAreShown) {
    const QString islands = QStringLiteral(
        "Unable to download Zelk Skyholm highscores.\nPlease make sure that:\n1. Zelk Skyholm "
        "was executed at least one time after installation on your Pocket PC.\n2. Zelk Skyholm "
        "is not running on your Pocket PC right now.");
    const QString nothing = QStringLiteral("No highscores found on the mobile device.");
    using enum DownloadResult;
    struct Case {
        DownloadResult result;
        const char* notice;
        int islands; // -1: no islands game; else the islands folders loaded
        bool treeShown;
        QStringList messages;
        bool writeFailed = false;
    };
    const Case cases[] = {
        {Ok, "", -1, true, {}},
        {Ok, "", -1, false, {nothing}},
        {Ok, "", 0, true, {islands}},                  // even when other sources fill the tree
        {Ok, "notice", 0, false, {"notice", islands}}, // no "nothing" after a notice
        {Ok, "notice", 1, true, {"notice"}},
        {NoDevice, "", -1, false, {"Unable to connect to the mobile device."}},
        {ScanFailed, "", -1, false, {"Error downloading highscores from the mobile device."}},
        {Stopped, "", -1, true, {"The download was stopped."}},
        {Ok, "", -1, true, {UserProfile::notSavedText()}, true},
    };
    for (const Case& c : cases) {
        DownloadOutcome outcome{c.result, {}, c.writeFailed};
        outcome.collection.notice = QString::fromLatin1(c.notice);
        outcome.collection.islandsAppPresent = c.islands >= 0;
        outcome.collection.islandsFoldersLoaded = std::max(c.islands, 0);
        EXPECT_EQ(downloadMessages(outcome, c.treeShown), c.messages)
            << c.messages.join(u'|').toStdString();
    }
}

TEST(SourceUploads, CarryTheChosenEntriesWithTheirSitesAccount) {
    Settings settings;
    settings.community.email = QStringLiteral("c@x");
    settings.islands.email = QStringLiteral("i@x");
    settings.islands.password = QStringLiteral("pw");
    const HighscoreTable table{1, 1, "T", {{"Ann", 5, ""}}};
    const TableSource announced("n", table, "text", TableSource::Kind::Announced);
    EXPECT_EQ(announced.uploadData(settings, {1}), tableUploadData("text", {1}, "i@x"));
    // Empty island files are never sent.
    const IslandsSource islands(
        {{"\\a.1", 1, "one", "", ""}, {"\\b.2", 2, "", "", ""}, {"\\c.3", 3, "three", "", ""}});
    EXPECT_EQ(islands.uploadData(settings, {0, 1, 7}), islandsUploadData("i@x", "pw", {"one"}));
    EXPECT_EQ(IslandsSource({}).uploadData(settings, {0}), std::nullopt);
}
} // namespace
