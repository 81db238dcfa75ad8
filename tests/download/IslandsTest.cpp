// The islands game's folder: reading it, its entries, and the publish/delete cycle that must
// never lose an island the player has not published.
#include "FaultyHandheld.h"
#include "HighscoreWriters.h"
#include "StoppingProfile.h"

#include "download/AnnouncedSources.h"
#include "download/IslandsFolder.h"
#include "download/ScanContext.h"
#include "profile/IslandMarks.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

const QString kFolder = QStringLiteral("\\My Documents\\Skyholm");

class IslandsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(handheld.connect({}, {})); }

    // One download's island handling: the folders announced are read, published islands go.
    std::shared_ptr<IslandsSource> download(const QStringList& folders = {kFolder}) {
        ScanContext scan(handheld, *marks);
        for (const QString& folder : folders)
            scan.announcements.append({2, folder});
        loadAnnouncedSources(scan);
        loaded = scan.collection.islandsFoldersLoaded;
        writeFailed = scan.profileWriteFailed;
        sources = scan.collection.sources;
        return sources.isEmpty() ? nullptr
                                 : std::dynamic_pointer_cast<IslandsSource>(sources.front());
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
    static QStringList texts(const IslandsSource& source) {
        QStringList texts;
        for (const SourceEntry& entry : source.entries())
            texts << QString::number(entry.index) + ' ' + entry.text;
        return texts;
    }

    TestImage image;
    FaultyHandheld handheld{image};
    StoppingProfile profile;
    std::unique_ptr<IslandMarks> marks = std::make_unique<IslandMarks>(profile);
    QList<std::shared_ptr<HighscoreSource>> sources;
    int loaded = 0;
    bool writeFailed = false;
};

TEST_F(IslandsTest, EveryFileIsReadAsStoredAndSubfoldersAreSkipped) {
    addIsland("a.1", "Alpha", "A", "body");
    addIsland("b.0", "Home", "B");
    image.AddFile(kFolder + "\\settings.ini", "x");
    addIsland("sub\\c.2", "Nested", "C");
    addIsland("z.4", "Four", "Z");
    const auto source = download();
    ASSERT_TRUE(source);
    ASSERT_EQ(source->islands().size(), 4);
    const Island& first = source->islands()[0];
    EXPECT_EQ(first.path, kFolder + "\\a.1");
    EXPECT_EQ(first.bytes, writers::IslandFileBytes("Alpha", "A", "body"));
    EXPECT_EQ(first.id, "A");
    EXPECT_EQ(source->title(), "Zelk Skyholm");
    EXPECT_EQ(source->game(), 1001);
    EXPECT_EQ(source->destination(), Destination::Islands);
    // A file without an island number is listed but not shown; the entries after it keep
    // their index.
    EXPECT_EQ(texts(*source),
              (QStringList{"0 Island 1 (Alpha)", "1 Current island (Home)", "3 Island 4 (Four)"}));
}

TEST_F(IslandsTest, FoldersThatCannotBeReadWhole) {
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
        {"an unreadable file", kFolder, {"a.1", "b.2"}, -1, "b.2"},
        {"a folder that cannot be listed", kFolder, {"a.1"}, -1, {}, true},
        {"room for a one-character name", deep + QString(54, 'c'), {"1"}, 1},
        {"a path one too long", deep + QString(54, 'c'), {"12"}, -1},
        {"no room for a file name", deep + QString(55, 'c'), {"1"}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestImage folder;
        folder.AddFolder(kFolder);
        for (const QString& file : c.files)
            folder.AddFile(c.folder + u'\\' + file, writers::IslandFileBytes("I", "I"));
        FaultyHandheld faulty(folder);
        ASSERT_TRUE(faulty.connect({}, {}));
        faulty.unreadable = c.unreadable;
        faulty.failListings = c.unlistable;
        ScanContext scan(faulty, *marks);
        scan.announcements = {{2, c.folder}};
        loadAnnouncedSources(scan);
        EXPECT_EQ(scan.collection.islandsFoldersLoaded, c.islands < 0 ? 0 : 1);
        EXPECT_EQ(scan.collection.sources.size(), c.islands > 0 ? 1 : 0);
    }
}

TEST_F(IslandsTest, FailedUploadsAndUnreadableFoldersDeleteNothing) {
    addIsland("b.1", "One", "I1");
    const auto first = download();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->published(false, {0}, *marks));
    ASSERT_TRUE(download());
    EXPECT_TRUE(has("b.1"));

    downloadAndPublish({0});
    handheld.failListings = true;
    EXPECT_FALSE(download());
    EXPECT_TRUE(has("b.1"));
    EXPECT_TRUE(marks->isMarked("I1"));
    handheld.failListings = false;
    EXPECT_FALSE(download());
    EXPECT_FALSE(has("b.1"));
}

// A whole cycle (a publish, the player removing a published file by hand, the next download
// deleting what was published) is stopped at each profile write in turn, then the program
// starts again. Wherever it stopped, no island that was not published is ever deleted, nor the
// island being played; once the publish was recorded every other published island goes, and
// the profile ends up clean.
TEST_F(IslandsTest, StoppingAtAnyProfileWriteNeverDeletesAnUnpublishedIsland) {
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
            EXPECT_FALSE(writeFailed);
        } catch (const StoppingProfile::Stopped&) {
        }
        profile.stopAfter(-1); // the program starts again
        marks = std::make_unique<IslandMarks>(profile);
        QFile::remove(image.HostPath(kFolder + "\\e.4"));
        ASSERT_TRUE(download());
        EXPECT_TRUE(has("a.0") && has("c.2") && has("f.5"));
        if (recorded) {
            EXPECT_FALSE(has("b.1") || has("d.3"));
        }
        if (finished) {
            EXPECT_TRUE(profile.values().isEmpty());
        }
    }
}

// Each islands folder keeps its own records: reading one never drops what another published.
// A folder announced twice (in another case, with a closing backslash) is read once.
TEST_F(IslandsTest, EachIslandsFolderIsReadOnceAndKeepsItsRecords) {
    const QString other = QStringLiteral("\\Storage Card\\Skyholm");
    addIsland("a.1", "A", "A1");
    image.AddFile(other + "\\b.1", writers::IslandFileBytes("B", "B1"));
    const QStringList folders = {kFolder, other, kFolder.toUpper() + "\\"};
    download(folders);
    ASSERT_EQ(sources.size(), 2) << "one islands table per folder";
    EXPECT_EQ(loaded, 2);
    auto second = std::dynamic_pointer_cast<IslandsSource>(sources[1]);
    ASSERT_EQ(second->islands().at(0).id, "B1");
    EXPECT_TRUE(second->published(true, {0}, *marks));

    download(folders);
    EXPECT_FALSE(QFile::exists(image.HostPath(other + "\\b.1")));
    EXPECT_TRUE(has("a.1"));
}

TEST_F(IslandsTest, APublishThatCannotBeRecordedSaysSo) {
    addIsland("b.1", "One", "I1");
    const auto source = download();
    ASSERT_TRUE(source);
    profile.stopAfter(0);
    EXPECT_FALSE(source->published(true, {0}, *marks));
    EXPECT_FALSE(marks->isMarked("I1"));
}

TEST_F(IslandsTest, MarksFromOlderVersionsDeleteByIdAlone) {
    addIsland("b.1", "One", "OLD");
    addIsland("c.0", "Current", "OLD");
    ASSERT_TRUE(marks->mark("OLD"));
    ASSERT_TRUE(download());
    EXPECT_FALSE(has("b.1"));
    EXPECT_TRUE(has("c.0"));
    EXPECT_FALSE(marks->isMarked("OLD"));
}

TEST_F(IslandsTest, AnIslandWhoseDeletionFailsKeepsItsMark) {
    addIsland("b.1", "One", "I1");
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
TEST_F(IslandsTest, AProfileThatCannotBeWrittenStopsTheDeletion) {
    addIsland("b.1", "One", "OLD");
    addIsland("c.2", "Two", "OLD");
    addIsland("d.3", "Three", "X");
    ASSERT_TRUE(marks->mark("OLD"));
    ASSERT_TRUE(marks->mark("X"));
    profile.stopAfter(0);
    const auto source = download();
    EXPECT_TRUE(writeFailed);
    EXPECT_EQ(handheld.removed, 1);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->islands().size(), 2);
}

} // namespace
