// The scan's steps over device image folders: where game folders are found, the file each is
// read from, the statistics, the announcements and the sources they name, sorting by title.
#include "FaultyHandheld.h"
#include "HighscoreWriters.h"

#include "download/Announcements.h"
#include "download/Scan.h"
#include "profile/IslandMarks.h"

#include <gtest/gtest.h>

using namespace writers;

namespace {

const char kQuilbitKey[] = "{6B1E0A7D-3C58-4f2a-B741-0D9E6C3A58F2}";
const char kMarbeloKey[] = "{A94C2E17-5D03-4b6e-9E5A-73C1F08B24D6}";
const QString kProgramKey = QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n");
const QString kSolitaireKey =
    QStringLiteral("[HKEY_CURRENT_USER\\Software\\Zelkora\\Solvane\\Statistics]\n");

QByteArray vondrel(const char* name, qint32 score) {
    return LevelTableFile({{QString::fromUtf8(name), score, 3}});
}

QByteArray quilbit(const char* name, qint32 score) {
    std::vector<ArchiveEntry> entries(10, {QStringLiteral("Anonymous"), 100});
    entries[0] = {QString::fromUtf8(name), score};
    return MaskedArchive(kQuilbitKey, QStringLiteral("H"), entries);
}

QByteArray text(const char* title, const char* name, qint32 score) {
    return SignedTableText(12, 1, title, {{name, score, ""}});
}

class ScanTest : public ::testing::Test {
protected:
    void SetUp() override { image.SetRegistry({}); }

    // A whole scan of the image.
    const Collection& scan() {
        handheld = std::make_unique<FaultyHandheld>(image);
        EXPECT_TRUE(handheld->connect({}, {}));
        context = std::make_unique<ScanContext>(*handheld, marks);
        EXPECT_TRUE(scanHandheld(*context, {}));
        return context->collection;
    }

    // "name: title (first record)" of every source, in order.
    QStringList found() {
        QStringList found;
        for (const auto& source : scan().sources) {
            const auto* table = dynamic_cast<const TableSource*>(source.get());
            found << source->name() + ": " + source->title() + " (" +
                         (table && !table->table().records.isEmpty()
                              ? QString::fromLocal8Bit(table->table().records[0].name)
                              : QString()) +
                         ")";
        }
        return found;
    }

    // "name|score|extra" of the first record of the source with that title, as last scanned.
    QString first(const QString& title) const {
        for (const auto& source : context->collection.sources)
            if (const auto* table = dynamic_cast<const TableSource*>(source.get());
                table && source->title() == title && !table->table().records.isEmpty()) {
                const HighscoreRecord& r = table->table().records[0];
                return QString::fromLocal8Bit(r.name + '|' + QByteArray::number(r.score) + '|' +
                                              r.extra);
            }
        return QStringLiteral("<none>");
    }

    TestImage image;
    UserProfile profile;
    IslandMarks marks{profile};
    std::unique_ptr<FaultyHandheld> handheld;
    std::unique_ptr<ScanContext> context;
};

TEST(Announcements, AreReadAsAtoiReadsTheKind) {
    const std::pair<const char*, std::optional<Announcement>> cases[] = {
        {"1,\\My Documents\\new.sco", Announcement{1, "\\My Documents\\new.sco"}},
        {"2,", Announcement{2, ""}},
        {" \t+3x,a,b", Announcement{3, "a,b"}},
        {"99999999999,h", Announcement{2147483647, "h"}},
        {"0,\\x", std::nullopt},
        {"-2,\\x", std::nullopt},
        {"+-1,\\x", std::nullopt},
        {"abc,\\x", std::nullopt},
        {"1", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(parseAnnouncement(QString::fromLatin1(value)), expected) << value;
}

TEST_F(ScanTest, AnEmptyHandheldFindsNothing) {
    const Collection& found = scan();
    EXPECT_TRUE(found.sources.isEmpty());
    EXPECT_TRUE(found.notice.isEmpty());
    EXPECT_FALSE(found.islandsAppPresent);
    EXPECT_EQ(found.islandsFoldersLoaded, 0);
}

TEST_F(ScanTest, FindsGamesInEveryPlaceAndSortsThemByTitle) {
    image.AddFile("\\Storage\\Program Files\\vondrel\\HighScores.sco", vondrel("Ann", 500));
    image.AddFile("\\Mounted Volume\\Program Files\\Zelk Quilbit\\records.dat",
                  quilbit("Bob", 700));
    image.AddFile("\\Storage Card\\Program Files\\trivia\\HighScores.sco",
                  text("trivia night", "Cid", 10));
    image.AddFile("\\IPSM\\Program Files\\Alpha\\HighScores.sco", text("Alpha quiz", "Dee", 20));
    image.AddFile("\\Mail\\Inbox Files\\Beta\\HighScores.sco", text("beta quiz", "Eve", 30));
    image.AddFile("\\SD Card\\Gamma\\HighScores.sco", text("Gamma quiz", "Fay", 40));
    image.SetDeviceIni("[Device]\nStorageCards=SD Card\n[Link]\nPacing=0\n");
    image.SetRegistry("[HKEY_LOCAL_MACHINE\\PMail\\Attachments]\n"
                      "\"TopDir\"=\"Mail\\\\Inbox Files\"\n");
    EXPECT_EQ(found(),
              (QStringList{"Alpha: Alpha quiz (Dee)", "Beta: beta quiz (Eve)",
                           "Gamma: Gamma quiz (Fay)", "trivia: trivia night (Cid)",
                           "Zelk Quilbit: Zelk Quilbit (Bob)", "vondrel: Zelk Vondrel (Ann)"}));
}

TEST_F(ScanTest, EachGameFolderIsReadFromItsOwnFile) {
    const QString root = QStringLiteral("\\Storage\\Program Files\\");
    // Each folder holds a decodable table, but under the other name only.
    image.AddFile(root + "marbelo\\HighScores.sco", text("x", "A", 1));
    image.AddFile(root + "MARBELO SP\\records.dat",
                  MaskedArchive(kMarbeloKey, "H", std::vector<ArchiveEntry>(10, {"B", 2})));
    image.AddFolder(root + "deminar");
    EXPECT_EQ(found(), QStringList());

    image.AddFile(root + "MARBELO SP\\HighScores.sco",
                  SignedTableText(3, 1, "phone", {{"Ann", 50, ""}}));
    image.AddFile(root + "marbelo\\records.dat",
                  MaskedArchive(kMarbeloKey, "H", std::vector<ArchiveEntry>(10, {"Bob", 2})));
    EXPECT_EQ(found(),
              (QStringList{"marbelo: Zelk Marbelo (Bob)", "MARBELO SP: Zelk Marbelo (Ann)"}));
}

TEST_F(ScanTest, AnnouncedFoldersAreNeverGameFolders) {
    image.AddFile("\\Storage\\Program Files\\Skyholm\\HighScores.sco", text("islands", "Ann", 1));
    image.AddFile("\\Storage\\Program Files\\vondrel\\HighScores.sco", vondrel("Bob", 5));
    image.SetRegistry(kProgramKey + "\"a\"=\"2,\\\\STORAGE\\\\program files\\\\skyholm\"\n"
                                    "\"b\"=\"1,\\\\Storage\\\\Program Files\\\\vondrel\\\\x\"\n");
    // The announced folder is read as the islands folder (its one file has no island number).
    EXPECT_EQ(found(), (QStringList{"NewHighscores_Skyholm: Zelk Skyholm ()",
                                    "vondrel: Zelk Vondrel (Bob)"}));
    EXPECT_EQ(context->collection.islandsFoldersLoaded, 1);
}

TEST_F(ScanTest, OnlyValuesWithAKindAreAnnouncements) {
    image.SetRegistry(kProgramKey + "\"one\"=\"1,\\\\new.sco\"\n\"number\"=dword:00000001\n"
                                    "\"none\"=\"1\"\n\"two\"=\"2,\\\\Isles\"\n");
    scan();
    EXPECT_EQ(context->announcements, (QList<Announcement>{{1, "\\new.sco"}, {2, "\\Isles"}}));
}

TEST_F(ScanTest, TheIslandsGameIsPresentWhenItsProgramExists) {
    image.AddFile("\\Program Files\\Skyholm\\Skyholm.exe", "MZ");
    const QString serviceKey =
        QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\SkyholmService\\Product]\n"
                       "\"propNameAppPath\"=\"\\\\Program Files\\\\Skyholm\\\\%1\"\n");
    const std::pair<QString, bool> cases[] = {
        {kProgramKey + serviceKey.arg("Skyholm.exe"), true},
        {kProgramKey + serviceKey.arg("Gone.exe"), false},
        // A game that never ran has announced nothing: the program's key may be missing.
        {serviceKey.arg("Skyholm.exe"), true},
        {kProgramKey, false},
    };
    for (const auto& [registry, present] : cases) {
        image.SetRegistry(registry);
        EXPECT_EQ(scan().islandsAppPresent, present) << registry.toStdString();
    }
}

TEST_F(ScanTest, OnlyStorageCardsAreSearchedAtTheRoot) {
    image.AddFile("\\Backup\\vondrel\\HighScores.sco", vondrel("Ann", 1));
    image.AddFile("\\Card\\Program Files\\HighScores.sco", text("On card", "Bob", 2));
    image.AddFile("\\Card\\Program Files\\vondrel\\HighScores.sco", vondrel("Cid", 3));
    image.SetDeviceIni("[Device]\nStorageCards=Card\n[Link]\nPacing=0\n");
    // The card's "Program Files" is itself tried as a game folder; its sub-folders are not
    // searched, since the card is not mounted as one of the program folders.
    EXPECT_EQ(found(), QStringList{"Program Files: On card (Bob)"});
}

TEST_F(ScanTest, TheAttachmentsFolderIsTakenFromTheRoot) {
    image.AddFile("\\Attach\\quilbit\\records.dat", quilbit("Ann", 300));
    image.SetRegistry("[HKEY_LOCAL_MACHINE\\PMail\\Attachments]\n\"TopDir\"=\"Attach\"\n");
    EXPECT_EQ(found(), QStringList{"quilbit: Zelk Quilbit (Ann)"});
    image.SetRegistry("[HKEY_LOCAL_MACHINE\\PMail\\Attachments]\n\"TopDir\"=\"\"\n");
    EXPECT_EQ(found(), QStringList());
}

TEST_F(ScanTest, NothingIsMergedAndEqualTitlesKeepTheirOrder) {
    image.AddFile("\\Storage\\Program Files\\vondrel\\HighScores.sco", vondrel("Ann", 1));
    image.AddFile("\\IPSM\\Program Files\\Zelk Vondrel\\HighScores.sco", vondrel("Bob", 2));
    image.AddFile("\\Storage\\Program Files\\Trivia\\HighScores.sco",
                  text("zelk vondrel", "Cid", 3));
    image.AddFile("\\Storage\\Program Files\\Broken\\HighScores.sco", "0|1|x\n");
    image.AddFile("\\Storage\\Program Files\\Aardvark\\HighScores.sco", text("Zz", "Dee", 4));
    EXPECT_EQ(found(), (QStringList{"Trivia: zelk vondrel (Cid)", "vondrel: Zelk Vondrel (Ann)",
                                    "Zelk Vondrel: Zelk Vondrel (Bob)", "Aardvark: Zz (Dee)"}));
}

TEST_F(ScanTest, EverySourceKindInOneScan) {
    image.AddFile("\\Storage\\Program Files\\vondrel\\HighScores.sco", vondrel("Ann", 1200));
    image.AddFile("\\Windows\\Chomplet.dat", PuzzleStatisticsFile({{{12, 900, 3600}, {}, {}, {}}}));
    const QByteArray fresh =
        SignedTableText(2, 1, "Quilbit Fresh", {{"Anonymous", 100, ""}, {"Cy", 7, ""}});
    image.AddFile("\\My Documents\\new.sco", fresh);
    image.AddFile("\\My Documents\\Isles\\a.0", IslandFileBytes("Home", "ID0"));
    image.SetRegistry("[HKEY_CURRENT_USER\\ControlPanel\\Owner]\n\"Name\"=\"Ann\"\n" +
                      kSolitaireKey + "\"Games\"=dword:0000000c\n\"Won\"=dword:00000005\n" +
                      kProgramKey +
                      "\"n\"=\"1,\\\\My Documents\\\\new.sco\"\n"
                      "\"i\"=\"2,\\\\My Documents\\\\Isles\"\n");
    QStringList titles;
    for (const auto& source : scan().sources)
        titles << source->title();
    EXPECT_EQ(titles,
              (QStringList{"Chomplet Standard Average", "Chomplet Standard High", "Quilbit Fresh",
                           "Zelk Skyholm", "Zelk Solvane", "Zelk Vondrel"}));
    EXPECT_EQ(first("Zelk Solvane"), "Ann|5|Games: 12, won: 5");
    EXPECT_EQ(first("Chomplet Standard High"), "Ann|900|Games: 12");
    EXPECT_EQ(first("Chomplet Standard Average"), "Ann|300|Games: 12");
    EXPECT_TRUE(context->collection.notice.isEmpty());

    const auto& announced = dynamic_cast<const TableSource&>(*context->collection.sources[2]);
    EXPECT_EQ(announced.name(), "NewHighscores");
    EXPECT_EQ(announced.destination(), Destination::Islands);
    EXPECT_EQ(announced.game(), 2);
    EXPECT_EQ(announced.text(), fresh) << "kept exactly as read";
    EXPECT_EQ(announced.entries().size(), 1) << "game 2's factory entry is hidden";
    EXPECT_EQ(context->collection.sources[5]->destination(), Destination::Community);
}

TEST_F(ScanTest, SolitaireStatistics) {
    const std::pair<const char*, const char*> cases[] = {
        {"\"Won\"=dword:00000003\n", "Anonymous|3|Games: 0, won: 3"},
        {"\"Games\"=dword:000186a1\n\"Won\"=dword:00000003\n", "Anonymous|3|Games: 0, won: 3"},
        {"\"Games\"=dword:000186a0\n\"Won\"=dword:00000003\n", "Anonymous|3|Games: 100000, won: 3"},
        {"\"Games\"=dword:00000004\n", "<none>"},
        {"\"Games\"=dword:00000000\n\"Won\"=dword:00000000\n", "<none>"},
    };
    for (const auto& [values, expected] : cases) {
        image.SetRegistry(kSolitaireKey + values);
        scan();
        EXPECT_EQ(first("Zelk Solvane"), expected) << values;
    }
}

TEST_F(ScanTest, PuzzleAveragesNeedTenGamesAndAShortFileReadsAsZeros) {
    image.AddFile("\\Windows\\Chomplet.dat",
                  PuzzleStatisticsFile({{{9, 150, 900}, {10, 150, 999}, {0, 40, 0}, {}}}));
    scan();
    EXPECT_EQ(first("Chomplet Standard Average"), "<none>") << "average 0, hidden by its decoder";
    EXPECT_EQ(first("Chomplet Standard High"), "Anonymous|150|Games: 9");
    EXPECT_EQ(first("Chomplet Continuous Average"), "Anonymous|99|Games: 10");
    EXPECT_EQ(first("Chomplet Shifter High"), "Anonymous|40|Games: 0");
    EXPECT_EQ(first("Chomplet Megaslide High"), "<none>");

    QByteArray cut = PuzzleStatisticsFile({{{20, 500, 4000}, {30, 600, 9000}, {}, {}}});
    cut.truncate(12712 + 6); // mode 1 ends after its games and half its highest score
    image.AddFile("\\Windows\\Chomplet.dat", cut);
    scan();
    EXPECT_EQ(first("Chomplet Standard Average"), "Anonymous|200|Games: 20");
    EXPECT_EQ(first("Chomplet Continuous High"), "Anonymous|600|Games: 30");
    EXPECT_EQ(first("Chomplet Continuous Average"), "Anonymous|0|Games: 30");
}

TEST_F(ScanTest, TheOwnersNameAndTheNoticeWithoutOne) {
    const QString ownerKey = QStringLiteral("[HKEY_CURRENT_USER\\ControlPanel\\Owner]\n");
    const QString anonymous = QStringLiteral(
        "Since you have not entered your Pocket PC/Smartphone owner information your name will "
        "appear as Anonymous for  some highscores");
    struct Case {
        QString registry;
        QString first;
        QString notice;
    };
    const Case cases[] = {
        {ownerKey + "\"Owner\"=" + RegistryHex(Utf16z("Zo\u00eb") + "junk") + "\n\"Name\"=\"N\"\n",
         "Zo\u00eb|5|Games: 5, won: 5", ""},
        {ownerKey + "\"Owner\"=hex:\n\"Name\"=\"Nan\"\n", "Nan|5|Games: 5, won: 5", ""},
        {ownerKey, "Anonymous|5|Games: 5, won: 5", anonymous},
    };
    for (const Case& c : cases) {
        image.SetRegistry(c.registry + kSolitaireKey +
                          "\"Games\"=dword:00000005\n\"Won\"=dword:00000005\n");
        const Collection& found = scan();
        EXPECT_EQ(first("Zelk Solvane"), c.first);
        EXPECT_EQ(found.notice, c.notice);
    }
    // What the backend says about its data takes the notice's place.
    handheld->notices = QStringLiteral("The registry could not be read.");
    EXPECT_TRUE(scanHandheld(*context, {}));
    EXPECT_EQ(context->collection.notice, handheld->notices);
}

TEST_F(ScanTest, AnnouncedNewHighscores) {
    std::vector<TextRecord> forty;
    for (int i = 0; i < 40; ++i)
        forty.push_back({"P" + std::to_string(i), i * 10, ""});
    image.AddFile("\\a.sco", SignedTableText(9, 1, "Forty", forty));
    image.AddFile("\\b.sco", SignedTableText(9, 1, "Header only", {}));
    image.AddFile("\\c.sco", "not a table\n");
    image.AddFile("\\d.sco", SignedTableText(3, 1, "Unsigned", {{"Ann", 5, ""}}, false));
    image.SetRegistry(kProgramKey + "\"a\"=\"1,\\\\a.sco\"\n\"b\"=\"1,\\\\b.sco\"\n"
                                    "\"c\"=\"1,\\\\c.sco\"\n\"d\"=\"1,\\\\d.sco\"\n"
                                    "\"e\"=\"1,\\\\missing.sco\"\n");
    const Collection& found = scan();
    ASSERT_EQ(found.sources.size(), 2);
    const auto& table = [&](int i) {
        return dynamic_cast<const TableSource&>(*found.sources[i]).table();
    };
    EXPECT_EQ(table(0).title, "Forty");
    EXPECT_EQ(table(0).records.size(), 25);
    EXPECT_EQ(first("Forty"), "P39|390|");
    EXPECT_EQ(table(1).title, "Unsigned");
    EXPECT_FALSE(table(1).verified);
}

} // namespace
