// The scan's steps over device image folders: where game folders are found, the file each is
// read from, the statistics and the owner's name, the announcements and the sources they name,
// the order by title.
#include "FaultyHandheld.h"
#include "HighscoreWriters.h"
#include "StoppingProfile.h"

#include "download/Announcements.h"
#include "download/Scan.h"
#include "profile/IslandMarks.h"

#include <gtest/gtest.h>

using namespace writers;

namespace {

const QString kProgramKey = QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n");
const QString kOwnerKey = QStringLiteral("[HKEY_CURRENT_USER\\ControlPanel\\Owner]\n");
const QString kProgramFiles = QStringLiteral("\\Storage\\Program Files\\");

QByteArray vondrel(const char* name, qint32 score) {
    return LevelTableFile({{QString::fromUtf8(name), score, 3}});
}
QByteArray archive(const char* key, const char* name) {
    return MaskedArchive(key, "H", std::vector<ArchiveEntry>(10, {name, 700}));
}
const char kQuilbit[] = "{6B1E0A7D-3C58-4f2a-B741-0D9E6C3A58F2}";
const char kMarbelo[] = "{A94C2E17-5D03-4b6e-9E5A-73C1F08B24D6}";
QByteArray text(const char* title, const char* name, qint32 score = 1) {
    return SignedTableText(12, 1, title, {{name, score, ""}});
}
QByteArray puzzle(const std::array<ModeStats, 4>& modes, qsizetype size = -1) {
    const QByteArray file = PuzzleStatisticsFile(modes);
    return size < 0 ? file : file.left(size);
}
QString solitaire(const char* games, const char* won) {
    return "[HKEY_CURRENT_USER\\Software\\Zelkora\\Solvane\\Statistics]\n\"Games\"=dword:" +
           QLatin1String(games) + "\n\"Won\"=dword:" + QLatin1String(won) + "\n";
}

// "name: title: first record", " (islands)" for what goes to the islands site, then the notice
// and whether the islands game is there.
QStringList found(const Collection& collection) {
    QStringList found;
    for (const auto& source : collection.sources) {
        QString line = source->name() + ": " + source->title() + ':';
        if (const auto* table = dynamic_cast<const TableSource*>(source.get());
            table && !table->table().records.isEmpty()) {
            const HighscoreRecord& r = table->table().records[0];
            line += QString::fromLocal8Bit(' ' + r.name + '|' + QByteArray::number(r.score) + '|' +
                                           r.extra);
        }
        found << line + (source->destination() == Destination::Islands ? " (islands)" : "");
    }
    if (!collection.notice.isEmpty())
        found << "notice: " + collection.notice;
    if (collection.islandsAppPresent)
        found << QStringLiteral("the islands game");
    return found;
}

using Files = QList<std::pair<QString, QByteArray>>;

// Scans an image with these files, registry and storage cards. An announced table must be sent
// as it was read: the last file.
QStringList scan(const Files& files, const QString& registry, const QString& cards = {}) {
    TestImage image;
    for (const auto& [path, bytes] : files)
        image.AddFile(path, bytes);
    image.SetRegistry(registry);
    image.SetDeviceIni("[Device]\nStorageCards=" + cards + "\n[Link]\nPacing=0\n");
    FaultyHandheld handheld(image);
    EXPECT_TRUE(handheld.connect({}, {}));
    StoppingProfile profile; // in memory
    IslandMarks marks(profile);
    ScanContext scan(handheld, marks);
    EXPECT_TRUE(scanHandheld(scan, {}));
    QStringList lines = found(scan.collection);
    for (const auto& source : scan.collection.sources)
        if (const auto* table = dynamic_cast<const TableSource*>(source.get());
            table && source->name() == u"NewHighscores")
            lines << "sent as read: " + QString::number(table->text() == files.back().second);
    return lines;
}

const QString kSkyholmService =
    QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\SkyholmService\\Product]\n"
                   "\"propNameAppPath\"=\"\\\\Program Files\\\\Skyholm\\\\%1\"\n");
const Files kSkyholm = {{"\\Program Files\\Skyholm\\Skyholm.exe", "MZ"}};

// Every place games leave their files, the statistics, the owner's name, the announcements and
// the islands game on one handheld.
TEST(Scan, FindsEverythingOnAFullHandheld) {
    std::vector<TextRecord> forty;
    for (int i = 0; i < 40; ++i)
        forty.push_back({"P" + std::to_string(i), i * 10, ""});
    const Files files =
        kSkyholm +
        Files{
            {kProgramFiles + "vondrel\\HighScores.sco", vondrel("Ann", 500)},
            {"\\Mounted Volume\\Program Files\\Zelk Quilbit\\records.dat",
             archive(kQuilbit, "Bob")},
            {"\\Storage Card\\Program Files\\trivia\\HighScores.sco", text("trivia night", "Cid")},
            {"\\IPSM\\Program Files\\Alpha\\HighScores.sco", text("Alpha quiz", "Dee")},
            {"\\Mail\\Inbox Files\\Beta\\HighScores.sco", text("beta quiz", "Eve")},
            {"\\SD Card\\Gamma\\HighScores.sco", text("Gamma quiz", "Fay")},
            // Each game's own file name, and no other.
            {kProgramFiles + "marbelo\\HighScores.sco", text("x", "A")},
            {kProgramFiles + "marbelo\\records.dat", archive(kMarbelo, "Bob")},
            {kProgramFiles + "MARBELO SP\\records.dat", archive(kMarbelo, "B")},
            {kProgramFiles + "MARBELO SP\\HighScores.sco",
             SignedTableText(3, 1, "phone", {{"Ann", 50, ""}})},
            {kProgramFiles + "deminar\\HighScores.sco", text("x", "A")},
            // An announced islands folder is never a game folder.
            {kProgramFiles + "Skyholm\\HighScores.sco", text("islands", "Ann")},
            // Only storage cards at the root; a card's program folder is itself a game folder.
            {"\\Backup\\vondrel\\HighScores.sco", vondrel("Ann", 1)},
            {"\\Card\\Program Files\\HighScores.sco", text("On card", "Bob")},
            {"\\Card\\Program Files\\vondrel\\HighScores.sco", vondrel("Cid", 3)},
            // Nothing merged; equal titles in the scan's order.
            {"\\IPSM\\Program Files\\Zelk Vondrel\\HighScores.sco", vondrel("Bob", 2)},
            {kProgramFiles + "Trivia\\HighScores.sco", text("zelk vondrel", "Cid")},
            {kProgramFiles + "Broken\\HighScores.sco", "0|1|x\n"},
            {kProgramFiles + "Aardvark\\HighScores.sco", text("Zz", "Dee")},
            // Puzzle averages from ten games on.
            {"\\Windows\\Chomplet.dat", puzzle({{{9, 150, 900}, {10, 150, 999}, {0, 40, 0}, {}}})},
            // Announced new highscores.
            {"\\b.sco", SignedTableText(9, 1, "Header only", {})},
            {"\\c.sco", "not a table\n"},
            {"\\a.sco", SignedTableText(9, 1, "Forty", forty)},
        };
    const QString registry =
        kProgramKey + "\"a\"=\"2,\\\\STORAGE\\\\program files\\\\skyholm\"\n" +
        "\"b\"=\"1,\\\\Storage\\\\Program Files\\\\vondrel\\\\x\"\n\"c\"=\"1,\\\\a.sco\"\n"
        "\"d\"=\"1,\\\\b.sco\"\n\"e\"=\"1,\\\\c.sco\"\n\"f\"=\"1,\\\\missing.sco\"\n"
        "\"g\"=dword:00000001\n" +
        "[HKEY_LOCAL_MACHINE\\PMail\\Attachments]\n\"TopDir\"=\"Mail\\\\Inbox Files\"\n" +
        kSkyholmService.arg("Skyholm.exe") + solitaire("000186a0", "00000003") + kOwnerKey +
        "\"Owner\"=" + RegistryHex(Utf16z("Zo\u00eb") + "junk") + "\n\"Name\"=\"N\"\n";
    const QString expected =
        "Alpha: Alpha quiz: Dee|1|\nBeta: beta quiz: Eve|1|\n"
        "Chomplet3: Chomplet Continuous Average: Zo\u00eb|99|Games: 10\n"
        "Chomplet2: Chomplet Continuous High: Zo\u00eb|150|Games: 10\n"
        "Chomplet4: Chomplet Shifter High: Zo\u00eb|40|Games: 0\n"
        "Chomplet1: Chomplet Standard Average: Zo\u00eb|0|Games: 9\n"
        "Chomplet0: Chomplet Standard High: Zo\u00eb|150|Games: 9\n"
        "NewHighscores: Forty: P39|390| (islands)\nGamma: Gamma quiz: Fay|1|\n"
        "Program Files: On card: Bob|1|\ntrivia: trivia night: Cid|1|\n"
        "marbelo: Zelk Marbelo: Bob|700|\nMARBELO SP: Zelk Marbelo: Ann|50|\n"
        "Zelk Quilbit: Zelk Quilbit: Bob|700|\n"
        "NewHighscores_Skyholm: Zelk Skyholm: (islands)\n"
        "Solvane: Zelk Solvane: Zo\u00eb|3|Games: 100000, won: 3\n"
        "Trivia: zelk vondrel: Cid|1|\nvondrel: Zelk Vondrel: Ann|500|Level: 3\n"
        "Zelk Vondrel: Zelk Vondrel: Bob|2|Level: 3\nAardvark: Zz: Dee|1|\nthe islands game\n"
        "sent as read: 1\n";
    EXPECT_EQ(scan(files, registry, "SD Card, Card").join(u'\n') + u'\n', expected);
}

// The islands game, the solitaire's limits, the owner's name, the notices and a short puzzle
// file: one small handheld each.
TEST(Scan, StatisticsOwnersAndTheIslandsGame) {
    const QString solvane = QStringLiteral("Solvane: Zelk Solvane: ");
    const QString tooMany = solitaire("000186a1", "00000003");
    const std::tuple<Files, QString, QString> cases[] = {
        {kSkyholm, kProgramKey + kSkyholmService.arg("Gone.exe"), ""},
        // A game that never ran has announced nothing: the program's key may be missing.
        {kSkyholm, kSkyholmService.arg("Skyholm.exe"), "the islands game"},
        {{},
         tooMany,
         solvane + "Anonymous|3|Games: 0, won: 3\nnotice: Since you have not entered your Pocket "
                   "PC/Smartphone owner information your name will appear as Anonymous for  "
                   "some highscores"},
        // What the backend says about its data takes the place of the scan's notice.
        {{},
         "[HKEY_CURRENT_USER\\" + QString(256, 'k') + "]\n" + tooMany,
         solvane + "Anonymous|3|Games: 0, won: 3\nnotice: The device image's registry.reg has 1 "
                   "key(s) more than 32 levels deep or with names longer than 255 characters, "
                   "which the handheld's registry cannot hold; they were left out."},
        {{},
         kOwnerKey + "\"Owner\"=hex:41,00,42\n" + solitaire("00000001", "00000001"),
         solvane + "AB|1|Games: 1, won: 1"},
        // A short puzzle file reads as zeros.
        {{{"\\Windows\\Chomplet.dat",
           puzzle({{{20, 500, 4000}, {30, 600, 9000}, {}, {}}}, 12712 + 6)}},
         kOwnerKey + "\"Name\"=\"Ann\"\n",
         "Chomplet3: Chomplet Continuous Average: Ann|0|Games: 30\n"
         "Chomplet2: Chomplet Continuous High: Ann|600|Games: 30\n"
         "Chomplet1: Chomplet Standard Average: Ann|200|Games: 20\n"
         "Chomplet0: Chomplet Standard High: Ann|500|Games: 20"},
    };
    for (const auto& [files, registry, found] : cases)
        EXPECT_EQ(scan(files, registry).join(u'\n'), found);
}

TEST(Scan, AnnouncementsAreReadAsAtoiReadsTheirKind) {
    const std::pair<const char*, std::optional<Announcement>> cases[] = {
        {"1,\\My Documents\\new.sco", Announcement{1, "\\My Documents\\new.sco"}},
        {" \t+3x,a,b", Announcement{3, "a,b"}},
        {"99999999999,h", Announcement{2147483647, "h"}},
        {"0,\\x", std::nullopt},
        {"-2,\\x", std::nullopt},
        {"abc,\\x", std::nullopt},
        {"1", std::nullopt},
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(parseAnnouncement(QString::fromLatin1(value)), expected) << value;
}

} // namespace
