// The sample handheld: one decodable table of every layout, a few factory entries, the
// owner's name, a mail attachments folder, a storage card, the games' statistics, announced
// new highscores and the islands game's folder.
#include "HighscoreWriters.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace writers {

namespace {

constexpr const char* kQuilbitKey = "{6B1E0A7D-3C58-4f2a-B741-0D9E6C3A58F2}";
constexpr const char* kMarbeloKey = "{A94C2E17-5D03-4b6e-9E5A-73C1F08B24D6}";
constexpr const char* kDeminarKey = "{2F7D91C4-E06B-4a38-8C1F-5B2A9E7D403E}";

bool WriteFile(const QString& path, const QByteArray& bytes) {
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

std::vector<ArchiveEntry> WithDefaults(std::vector<ArchiveEntry> entries, const QString& name,
                                       std::int32_t score) {
    while (entries.size() < 10)
        entries.push_back({name, score});
    return entries;
}

} // namespace

bool WriteSampleImage(const QString& folder) {
    const QString files = folder + QStringLiteral("/files");
    QDir(files).removeRecursively();
    bool ok = QDir().mkpath(files);
    auto put = [&](const QString& devicePath, const QByteArray& bytes) {
        ok = WriteFile(files + u'/' + devicePath, bytes) && ok;
    };

    // Brick-breaker: a level table that still holds some of the factory entries.
    put(QStringLiteral("Storage/Program Files/Vondrel/HighScores.sco"),
        LevelTableFile({{QStringLiteral("Mira"), 24150, 21},
                        {QStringLiteral("Player 10"), 20000, 20},
                        {QStringLiteral("Zo\u00eb"), 18320, 19},
                        {QStringLiteral("Player 9"), 15000, 17},
                        {QStringLiteral("Player 8"), 12500, 14},
                        {QStringLiteral("Tobias"), 9800, 12}}));
    // Area-capture: ten-entry masked archive, mostly factory entries.
    put(QStringLiteral("Storage/Program Files/Zelk Quilbit/records.dat"),
        MaskedArchive(
            kQuilbitKey, QStringLiteral("Quilbit Highscores"),
            WithDefaults({{QStringLiteral("Mira"), 3120}, {QStringLiteral("Tobias"), 2480}},
                         QStringLiteral("Anonymous"), 100)));
    // Ball-alignment: the same layout with another key, stored as UTF-16 archive strings.
    put(QStringLiteral("Storage/Program Files/marbelo/records.dat"),
        MaskedArchive(kMarbeloKey, QStringLiteral("Marbelo Highscores"),
                      WithDefaults({{QStringLiteral("Tobias"), 4410},
                                    {QStringLiteral("Mira"), 5120},
                                    {QStringLiteral("Jonas"), 1975}},
                                   QStringLiteral("Anonymous"), 100),
                      ArchiveChars::Wide));
    // Its Smartphone edition keeps a signed table text.
    put(QStringLiteral("Storage/Program Files/Marbelo SP/HighScores.sco"),
        SignedTableText(3, 1, "Marbelo SP",
                        {{"Jonas", 2400, ""}, {"Mira", 2950, "Phone"}, {"Anonymous", 100, ""}}));
    // A game the catalogue does not know, with a table in the common text layout.
    put(QStringLiteral("Storage/Program Files/Trivia Blitz/HighScores.sco"),
        SignedTableText(12, 2, "Trivia Blitz",
                        {{"Mira", 870, "Round: 9"}, {"Tobias", 1020, "Round: 11"}}));
    // A program folder that is no game.
    put(QStringLiteral("Storage/Program Files/Notes/notes.txt"), "shopping list\n");
    // Mine-clearing, in the mail attachments folder: only the third entry counts.
    put(QStringLiteral("Mail Attachments/deminar/records.dat"),
        MaskedArchive(kDeminarKey, QStringLiteral("Deminar Times"),
                      {{QStringLiteral("Anonymous"), 999},
                       {QStringLiteral("Anonymous"), 999},
                       {QStringLiteral("Mira"), 187}}));
    // Tennis, at the top of the storage card.
    put(QStringLiteral("Storage Card/courtwise/records.dat"),
        MaskedArchive(kMarbeloKey, QStringLiteral("Courtwise"),
                      WithDefaults({{QStringLiteral("Jonas"), 31}, {QStringLiteral("Mira"), 27}},
                                   QStringLiteral("Anonymous"), 0)));
    // Data for the statistics and the announced files.
    put(QStringLiteral("Windows/Chomplet.dat"),
        PuzzleStatisticsFile({{{14, 5230, 41200}, {3, 2210, 5100}, {0, 0, 0}, {11, 880, 6050}}}));
    put(QStringLiteral("My Documents/Scorvane/NewHighscores.sco"),
        SignedTableText(2, 1, "Zelk Quilbit (new)", {{"Mira", 3300, ""}}));
    // The islands game: its program, and its folder with the current island, two stored
    // islands and its settings file, which carries no island number.
    put(QStringLiteral("Program Files/Zelk Skyholm/Skyholm.exe"), QByteArray(64, '\x90'));
    put(QStringLiteral("My Documents/Zelk Skyholm/island.0"),
        IslandFileBytes("Home Reef", "MIRA-0007", QByteArray(300, '\x11')));
    put(QStringLiteral("My Documents/Zelk Skyholm/island.1"),
        IslandFileBytes("Coral Crown", "MIRA-0001", QByteArray(420, '\x22')));
    put(QStringLiteral("My Documents/Zelk Skyholm/island.2"),
        IslandFileBytes("Gull Rock", "MIRA-0002", QByteArray(380, '\x33')));
    put(QStringLiteral("My Documents/Zelk Skyholm/settings.ino"), "[Player]\nName=Mira\n");

    const QString registry =
        QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_CURRENT_USER\\ControlPanel\\Owner]\r\n"
                       "\"Owner\"=%1\r\n\r\n"
                       "[HKEY_CURRENT_USER\\Software\\Zelkora\\Solvane\\Statistics]\r\n"
                       "\"Games\"=dword:0000002a\r\n"
                       "\"Won\"=dword:00000011\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\PMail\\Attachments]\r\n"
                       "\"TopDir\"=%2\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\r\n"
                       "\"QuilbitNew\"=%3\r\n"
                       "\"Skyholm\"=%4\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\SkyholmService\\Product]\r\n"
                       "\"propNameAppPath\"=%5\r\n")
            .arg(RegistryHex(Utf16z(QStringLiteral("Mira Lindqvist"))),
                 RegistryString(QStringLiteral("Mail Attachments")),
                 RegistryString(QStringLiteral("1,\\My Documents\\Scorvane\\NewHighscores.sco")),
                 RegistryString(QStringLiteral("2,\\My Documents\\Zelk Skyholm")),
                 RegistryString(QStringLiteral("\\Program Files\\Zelk Skyholm\\Skyholm.exe")));
    ok = WriteFile(folder + QStringLiteral("/registry.reg"), registry.toUtf8()) && ok;
    ok = WriteFile(folder + QStringLiteral("/device.ini"),
                   "[Device]\nStorageCards=Storage Card\n\n[Link]\nPacing=0\n") &&
         ok;
    return ok;
}

bool WriteFuzzSeeds(const QString& folder) {
    bool ok = true;
    auto seed = [&](const char* target, const QByteArray& bytes) {
        const QByteArray name = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
        ok = WriteFile(folder + u'/' + QLatin1String(target) + u'/' + QString::fromLatin1(name),
                       bytes) &&
             ok;
    };

    seed("signed_table",
         SignedTableText(3, 1, "Zelk Marbelo", {{"Ann", 2400, ""}, {"Bob", 1900, ""}}));
    seed("signed_table", SignedTableText(12, 2, "Trivia", {{"Ann", 5, "Round: 1"}}, false));
    seed("signed_table", SignedTableText(7, 1, "Seven", {}));
    seed("signed_table", QByteArray("3|1|T\nAnn|-1|\n"));

    seed("level_table",
         LevelTableFile({{QStringLiteral("Ann"), 1200, 7}, {QStringLiteral("Player 3"), 3000, 7}}));
    seed("level_table", LevelTableFile({}));
    seed("level_table", LevelTableFile({{QStringLiteral("Zo\u00eb"), 5, 1}}).left(13));

    const std::vector<ArchiveEntry> ten =
        WithDefaults({{QStringLiteral("Ann"), 300}}, QStringLiteral("Anonymous"), 100);
    seed("masked_archive", MaskedArchive(kQuilbitKey, QStringLiteral("Header"), ten));
    seed("masked_archive",
         MaskedArchive(kMarbeloKey, QStringLiteral("Header"), ten, ArchiveChars::Wide));
    seed("masked_archive", MaskedArchive(kQuilbitKey, QStringLiteral("Header"), ten).left(40));
    seed("masked_archive", ArchiveStringBytes(u"00", ArchiveChars::Narrow, ArchiveLength::Dword));

    const std::vector<ArchiveEntry> three = {{QStringLiteral("Anonymous"), 999},
                                             {QStringLiteral("Anonymous"), 999},
                                             {QStringLiteral("Ann"), 250}};
    seed("time_archive", MaskedArchive(kDeminarKey, QStringLiteral("Times"), three));
    seed("time_archive",
         MaskedArchive(kDeminarKey, QStringLiteral("Times"), three, ArchiveChars::Wide));
    seed("time_archive", MaskedArchive(kDeminarKey, QStringLiteral("Times"), three).left(30));
    return ok;
}

} // namespace writers
