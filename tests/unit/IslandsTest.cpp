// The islands game's files: reading the folder, the entries, and the publish/delete cycle that
// must never lose an island the player has not published.
#include "FakeDevice.h"
#include "HighscoreWriters.h"
#include "TestText.h"
#include "UnwritableProfile.h"

#include "device/HighscoreCollection.h"
#include "device/IslandFiles.h"
#include "scores/IslandMarks.h"
#include "scores/IslandsSource.h"
#include "ui/Profile.h"

#include <QSettings>
#include <gtest/gtest.h>

using namespace rapi;

namespace {

const QString kFolder = QStringLiteral("\\My Documents\\Skyholm");

// The profile of this process, with the program stopped at a given write (counted from 0):
// that write throws, as if the program had been killed just before it.
class StoppingProfile final : public IProfileStore {
public:
    struct Stopped {};
    explicit StoppingProfile(int stopAt) : writesLeft(stopAt) {}

    QVariant Value(const QString& key) const override { return UserProfile().Value(key); }
    bool SetValue(const QString& key, const QVariant& value) override {
        return Go() && UserProfile().SetValue(key, value);
    }
    bool Remove(const QString& key) override { return Go() && UserProfile().Remove(key); }

private:
    bool Go() {
        if (writesLeft-- == 0)
            throw Stopped();
        return true;
    }
    int writesLeft;
};

class IslandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings(QStringLiteral("Zelkora"), QStringLiteral("Scorvane")).clear();
        collection.SetDevice(&device);
    }

    // One download's worth of island handling: load, decode, delete what was published.
    std::unique_ptr<CIslandsSource> Download() {
        auto source = std::make_unique<CIslandsSource>(&collection, kHighscoreSalt,
                                                       "NewHighscores_Skyholm", 25);
        if (source->LoadFromDevice(kFolder.toStdString()) != READ_OK)
            return nullptr;
        source->Decode();
        DeleteMarkedIslands(*source);
        return source;
    }

    // Publishing the islands at the given list indices, with the given outcome.
    void Publish(CIslandsSource& source, std::initializer_list<std::size_t> indices, bool ok) {
        for (const auto& island : source.islands)
            island->chosen = false;
        for (std::size_t i : indices)
            source.islands[i]->chosen = true;
        source.OnPublishResult(ok);
    }

    void AddIsland(const char* file, const char* name, const char* id, const char* body = "") {
        device.AddFile(kFolder + u'\\' + QLatin1String(file),
                       writers::IslandFileBytes(name, id, body));
    }
    bool Has(const char* file) const {
        return device.HasFile(kFolder + u'\\' + QLatin1String(file));
    }

    // A download whose islands at the given indices are then published successfully.
    void DownloadAndPublish(std::initializer_list<std::size_t> indices) {
        auto source = Download();
        ASSERT_TRUE(source);
        Publish(*source, indices, true);
    }

    std::vector<std::string> Entries(CIslandsSource& source) {
        std::vector<std::string> out;
        if (source.FirstEntry()) {
            do {
                std::string text;
                out.push_back(source.GetEntryText(text) ? text : "<hidden>");
            } while (source.NextEntry());
        }
        return out;
    }

    static CIslandMarks Marks() { return CIslandMarks(UserProfile()); }

    FakeDevice device;
    CHighscoreCollection collection{25};
};

TEST(IslandNumbers, ComeFromTheExtension) {
    EXPECT_EQ(IslandNumberFromPath(u"\\f\\isle.3"), 3);
    EXPECT_EQ(IslandNumberFromPath(u"\\f\\isle.0"), 0);
    EXPECT_EQ(IslandNumberFromPath(u"\\f\\isle.00"), -1);
    EXPECT_EQ(IslandNumberFromPath(u"\\f\\isle.007"), 7);
    EXPECT_EQ(IslandNumberFromPath(u"\\f\\isle"), -1);
    EXPECT_EQ(IslandNumberFromPath(u"\\f\\isle."), -1);
    EXPECT_EQ(IslandNumberFromPath(u"12345"), -1);
    EXPECT_EQ(IslandNumberFromPath(u"\\f\\isle.3a"), -1);
    EXPECT_EQ(IslandNumberFromPath(u"\\f.2\\isle"), -1);
    EXPECT_EQ(IslandNumberFromPath(u"\\f\\isle.2147483647"), 2147483647);
    EXPECT_EQ(IslandNumberFromPath(u"\\f\\isle.2147483648"), -1);
}

TEST(IslandHeader, IsReadFrom200BytesAndCutAtItsFields) {
    IslandFile island;
    const QByteArray full = writers::IslandFileBytes("NameOf15Chars!!", "id-1");
    island.bytes.Append(full.constData(), 200);
    ASSERT_TRUE(ReadIslandHeader(island));
    EXPECT_EQ(island.name, "NameOf15Chars!!");
    EXPECT_EQ(island.text2, "id-1");

    IslandFile shorter;
    shorter.bytes.Append(full.constData(), 199);
    EXPECT_FALSE(ReadIslandHeader(shorter));
    EXPECT_EQ(shorter.name, "");
    EXPECT_EQ(shorter.text2, "");

    // No terminator anywhere: the texts stop at their fields' ends.
    QByteArray filled(200, char('A' ^ kIslandHeaderMask));
    IslandFile unterminated;
    unterminated.bytes.Append(filled.constData(), 200);
    ASSERT_TRUE(ReadIslandHeader(unterminated));
    EXPECT_EQ(unterminated.name, std::string(15, 'A'));
    EXPECT_EQ(unterminated.text2, std::string(63, 'A'));
}

TEST_F(IslandsTest, FolderReadSkipsSubfoldersAndKeepsFilesAsStored) {
    AddIsland("a.1", "Alpha", "A", "body");
    AddIsland("b.0", "Home", "B");
    device.AddFile(kFolder + QStringLiteral("\\settings.ini"), "x");
    device.AddFolder(kFolder + QStringLiteral("\\sub"));
    AddIsland("sub\\c.2", "Nested", "C");
    auto source = Download();
    ASSERT_TRUE(source);
    ASSERT_EQ(source->islands.size(), 3u);
    EXPECT_EQ(source->islands[0]->bytes.Length(), 204u) << "no terminating byte is added";
    EXPECT_EQ(source->islands[0]->path, W("\\My Documents\\Skyholm\\a.1"));
    EXPECT_EQ(source->GetGameNumber(), kIslandsGameNumber);
    EXPECT_EQ(source->GetTitle(), "Zelk Skyholm");
    EXPECT_EQ(source->GetDestination(), DEST_ISLANDS);
    EXPECT_EQ(Entries(*source),
              (std::vector<std::string>{"Island 1 (Alpha)", "Current island (Home)", "<hidden>"}));
    EXPECT_EQ(device.LiveSearchBuffers(), 0u);
}

TEST_F(IslandsTest, EntriesKeepTheirListIndexPastHiddenFiles) {
    AddIsland("a.x", "NoNumber", "A");
    AddIsland("b.4", "Four", "B");
    auto source = Download();
    ASSERT_TRUE(source);
    EXPECT_EQ(Entries(*source), (std::vector<std::string>{"<hidden>", "Island 4 (Four)"}));
    EXPECT_FALSE(source->NextEntry());
    EXPECT_EQ(source->islandCursor, 1) << "the cursor stays on the last island";
}

TEST_F(IslandsTest, OneUnreadableFileFailsTheWholeFolder) {
    AddIsland("a.1", "A", "A");
    AddIsland("b.2", "B", "B");
    device.shortReadBytes = 1;
    CIslandsSource source(&collection, kHighscoreSalt, "NewHighscores_Skyholm", 25);
    EXPECT_EQ(source.LoadFromDevice(kFolder.toStdString()), READ_SHORT);
    EXPECT_TRUE(source.islands.empty());
    EXPECT_FALSE(source.HasData());
    EXPECT_EQ(device.OpenFileCount(), 0u);
    EXPECT_EQ(device.LiveSearchBuffers(), 0u);
}

TEST_F(IslandsTest, MissingUnsearchableOrOverlongFoldersAreRefused) {
    CIslandsSource source(&collection, kHighscoreSalt, "NewHighscores_Skyholm", 25);
    EXPECT_EQ(source.LoadFromDevice("\\Nowhere"), READ_OPEN_FAILED);

    device.AddFolder(kFolder);
    EXPECT_EQ(source.LoadFromDevice(kFolder.toStdString()), READ_OK) << "empty folder";
    EXPECT_FALSE(source.HasData());
    device.emptySearchLeavesPointer = true;
    EXPECT_EQ(source.LoadFromDevice(kFolder.toStdString()), READ_OPEN_FAILED)
        << "a search that returns no array at all";

    const std::string longFolder = "\\" + std::string(258, 'f');
    EXPECT_EQ(source.LoadFromDevice(longFolder), READ_OPEN_FAILED);
    EXPECT_EQ(source.LoadFromDevice(std::string(257, 'f')), READ_OPEN_FAILED)
        << "258 characters with the added backslash";
}

TEST_F(IslandsTest, PublishedIslandsAreDeletedAtTheNextDownload) {
    AddIsland("a.0", "Home", "H");
    AddIsland("b.1", "One", "I1");
    AddIsland("c.2", "Two", "I2");
    DownloadAndPublish({0, 1});
    EXPECT_TRUE(Marks().IsMarked("I1"));
    EXPECT_FALSE(Marks().IsMarked("H")) << "the current island is never marked";
    EXPECT_FALSE(Marks().IsMarked("I2")) << "not chosen";

    auto second = Download();
    ASSERT_TRUE(second);
    EXPECT_FALSE(Has("b.1"));
    EXPECT_TRUE(Has("a.0"));
    EXPECT_TRUE(Has("c.2"));
    EXPECT_EQ(Entries(*second),
              (std::vector<std::string>{"Current island (Home)", "Island 2 (Two)"}));
    EXPECT_FALSE(Marks().IsMarked("I1")) << "the mark goes with the file";
    EXPECT_TRUE(Marks().Digests("I1").isEmpty());
}

TEST_F(IslandsTest, FailedOrUnfinishedUploadsDeleteNothing) {
    AddIsland("b.1", "One", "I1");
    auto first = Download();
    ASSERT_TRUE(first);
    Publish(*first, {0}, false);
    EXPECT_FALSE(first->islands[0]->published);
    EXPECT_FALSE(Marks().IsMarked("I1"));

    // The upload went through but the program stopped before it was told: nothing marked.
    first->islands[0]->chosen = true;
    auto second = Download();
    ASSERT_TRUE(second);
    EXPECT_TRUE(Has("b.1"));
    EXPECT_TRUE(device.deleted.empty());
}

TEST_F(IslandsTest, AnUnreadableFolderKeepsIslandsAndMarks) {
    AddIsland("b.1", "One", "I1");
    DownloadAndPublish({0});
    device.failSearches = true;
    EXPECT_EQ(Download(), nullptr);
    EXPECT_TRUE(Has("b.1"));
    EXPECT_TRUE(Marks().IsMarked("I1"));
    device.failSearches = false;
    ASSERT_TRUE(Download());
    EXPECT_FALSE(Has("b.1"));
}

TEST_F(IslandsTest, ANewIslandThatReusesAPublishedIdSurvives) {
    AddIsland("b.1", "One", "SAME", "v1");
    DownloadAndPublish({0});
    // Before the next download the player builds a new island from the same settings file.
    AddIsland("c.2", "Two", "SAME", "v2");
    auto second = Download();
    ASSERT_TRUE(second);
    EXPECT_FALSE(Has("b.1"));
    EXPECT_TRUE(Has("c.2"));
    EXPECT_FALSE(Marks().IsMarked("SAME"));
    auto third = Download();
    ASSERT_TRUE(third);
    EXPECT_TRUE(Has("c.2"));
    EXPECT_EQ(Entries(*third), (std::vector<std::string>{"Island 2 (Two)"}));
}

// A whole cycle (a publish, the player removing a published file by hand, the next download
// deleting what was published) is stopped at each profile write in turn, then the program
// starts again. Wherever it stopped, no island that was not published is ever deleted, and
// once the publish was recorded every published island goes and the profile ends up clean.
TEST_F(IslandsTest, StoppingAtAnyProfileWriteNeverDeletesAnUnpublishedIsland) {
    bool finished = false;
    for (int stopAt = 0; !finished; ++stopAt) {
        SCOPED_TRACE(stopAt);
        ASSERT_LT(stopAt, 50);
        QSettings(QStringLiteral("Zelkora"), QStringLiteral("Scorvane")).clear();
        AddIsland("a.1", "A", "SAME", "v1"); // published
        AddIsland("b.2", "B", "SAME", "v2"); // shares the id, never published
        AddIsland("c.3", "C", "OTHER");      // published
        AddIsland("d.4", "D", "HAND", "v1"); // published, then removed by hand
        AddIsland("e.5", "E", "HAND", "v2"); // shares that id, never published
        const std::u16string byHand = W("\\My Documents\\Skyholm\\d.4");
        StoppingProfile profile(stopAt);
        collection.SetProfile(&profile);
        bool recorded = false;
        try {
            auto first = Download();
            ASSERT_TRUE(first);
            Publish(*first, {0, 2, 3}, true);
            recorded = true;
            device.CeDeleteFile(byHand.c_str());
            Download();
            finished = true;
        } catch (const StoppingProfile::Stopped&) {
        }
        collection.SetProfile(nullptr);
        device.CeDeleteFile(byHand.c_str());
        ASSERT_TRUE(Download());
        EXPECT_TRUE(Has("b.2"));
        EXPECT_TRUE(Has("e.5"));
        if (recorded) {
            EXPECT_FALSE(Has("a.1"));
            EXPECT_FALSE(Has("c.3"));
        }
        if (finished) {
            QSettings profileFile(QStringLiteral("Zelkora"), QStringLiteral("Scorvane"));
            EXPECT_TRUE(profileFile.allKeys().isEmpty())
                << profileFile.allKeys().join(u',').toStdString();
        }
    }
}

// Each islands folder keeps its own records: reading one never drops what another published.
// A folder announced twice (in another case, with a closing backslash) is read once.
TEST_F(IslandsTest, EachIslandsFolderIsReadOnceAndKeepsItsRecords) {
    const QString other = QStringLiteral("\\Storage Card\\Skyholm");
    AddIsland("a.1", "A", "A1");
    device.AddFile(other + QStringLiteral("\\b.1"), writers::IslandFileBytes("B", "B1"));
    collection.announcements = {{2, kFolder.toStdString()},
                                {2, other.toStdString()},
                                {2, kFolder.toUpper().toStdString() + "\\"}};
    collection.LoadAnnouncedSources();
    ASSERT_EQ(collection.sources.size(), 2u) << "one islands table per folder";
    EXPECT_EQ(collection.islandsEntriesLoaded, 2);
    auto& second = static_cast<CIslandsSource&>(*collection.sources[1]);
    ASSERT_EQ(second.islands.at(0)->text2, "B1");
    Publish(second, {0}, true);

    collection.ClearSources();
    collection.LoadAnnouncedSources();
    EXPECT_FALSE(device.HasFile(other + QStringLiteral("\\b.1")));
    EXPECT_TRUE(Has("a.1"));
}

TEST_F(IslandsTest, APublishThatCannotBeRecordedSaysSo) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "the profile is in the registry there, which a test cannot make unwritable";
#endif
    AddIsland("b.1", "One", "I1");
    auto source = Download();
    ASSERT_TRUE(source);
    {
        const UnwritableProfile unwritable;
        source->islands[0]->chosen = true;
        EXPECT_FALSE(source->OnPublishResult(true));
    }
    EXPECT_FALSE(Marks().IsMarked("I1"));
}

TEST_F(IslandsTest, MarksFromOlderVersionsStillDeleteByIdAlone) {
    AddIsland("b.1", "One", "OLD");
    AddIsland("c.0", "Current", "OLD");
    Marks().Mark("OLD");
    auto source = Download();
    ASSERT_TRUE(source);
    EXPECT_FALSE(Has("b.1"));
    EXPECT_TRUE(Has("c.0"));
    EXPECT_FALSE(Marks().IsMarked("OLD"));
}

TEST_F(IslandsTest, AnIslandWhoseDeletionFailsKeepsItsMark) {
    AddIsland("b.1", "One", "I1");
    DownloadAndPublish({0});
    device.deleteLeavesFile = true;
    auto second = Download();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->islands.size(), 1u) << "still on the handheld, still listed";
    EXPECT_TRUE(Marks().IsMarked("I1"));
    device.deleteLeavesFile = false;
    device.failDeletes = true;
    ASSERT_TRUE(Download());
    EXPECT_TRUE(Marks().IsMarked("I1"));
    device.failDeletes = false;
    ASSERT_TRUE(Download());
    EXPECT_FALSE(Has("b.1"));
    EXPECT_FALSE(Marks().IsMarked("I1"));
}

TEST_F(IslandsTest, MarksHoldAnyCharacter) {
    for (const std::string id : {"a/b", "a\\b", "a=b", "with spaces", "%2F", "%", "x%5Cy",
                                 "Zo\xC3\xAB", "[Section]", ";comment", "a/b\\c=d e"}) {
        EXPECT_FALSE(Marks().IsMarked(id)) << id;
        EXPECT_TRUE(Marks().MarkPublished(id, QStringLiteral("d1")));
        EXPECT_TRUE(Marks().MarkPublished(id, QStringLiteral("d1")));
        EXPECT_TRUE(Marks().IsMarked(id)) << id;
        EXPECT_EQ(Marks().Digests(id), QStringList{QStringLiteral("d1")}) << id;
        EXPECT_TRUE(Marks().Forget(id, QStringLiteral("d1")));
        EXPECT_FALSE(Marks().IsMarked(id)) << id;
    }
    QSettings profile(QStringLiteral("Zelkora"), QStringLiteral("Scorvane"));
    EXPECT_TRUE(profile.allKeys().isEmpty()) << profile.allKeys().join(u',').toStdString();
}

TEST_F(IslandsTest, OnlyTheValueOneCountsAsMarked) {
    QSettings profile(QStringLiteral("Zelkora"), QStringLiteral("Scorvane"));
    profile.setValue(QStringLiteral("IslandsToDelete/x"), QStringLiteral("2"));
    profile.setValue(QStringLiteral("IslandsToDelete/y"), QStringLiteral("1"));
    profile.sync();
    EXPECT_FALSE(Marks().IsMarked("x"));
    EXPECT_TRUE(Marks().IsMarked("y"));
    EXPECT_FALSE(Marks().IsMarked("z"));
}

} // namespace
