// Varied handheld images from a seed: every layout in every place the scan looks, with names
// outside ASCII, factory entries, full and over-full tables, equal scores, broken and unsigned
// files, folders that are no games, owner information present or missing, announcements and
// islands. The same seed always writes the same image, so two builds of the program can be
// compared on it.
#include "HighscoreWriters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace writers {

namespace {

constexpr const char* kQuilbitKey = "{6B1E0A7D-3C58-4f2a-B741-0D9E6C3A58F2}";
constexpr const char* kMarbeloKey = "{A94C2E17-5D03-4b6e-9E5A-73C1F08B24D6}";
constexpr const char* kDeminarKey = "{2F7D91C4-E06B-4a38-8C1F-5B2A9E7D403E}";

// Names a Windows desktop can hold in its 8-bit code page too, so that images compare equal
// across platforms.
const QStringList kNames = {
    QStringLiteral("Mira"),      QStringLiteral("Zo\u00eb"),    QStringLiteral("S\u00f8ren"),
    QStringLiteral("Jos\u00e9"), QStringLiteral("Tobias"),      QStringLiteral("Anonymous"),
    QStringLiteral("Player 3"),  QStringLiteral("\u00c6sa M."), QStringLiteral("Jonas"),
    QStringLiteral("x"),
};
const QStringList kProgramFolders = {
    QStringLiteral("Storage/Program Files"),
    QStringLiteral("Mounted Volume/Program Files"),
    QStringLiteral("Storage Card/Program Files"),
    QStringLiteral("IPSM/Program Files"),
};
const QStringList kGameFolders = {
    QStringLiteral("Vondrel"),    QStringLiteral("zelk vondrel"), QStringLiteral("VONDREL SP"),
    QStringLiteral("Quilbit"),    QStringLiteral("Zelk Quilbit"), QStringLiteral("marbelo"),
    QStringLiteral("Marbelo SP"), QStringLiteral("Deminar"),      QStringLiteral("courtwise"),
    QStringLiteral("Paddlet"),    QStringLiteral("Word Hunt"),    QStringLiteral("Notes"),
};

class Writer {
public:
    Writer(const QString& folder, quint32 seed) : root(folder), random(seed) {}

    bool ok = true;

    int Pick(int n) { return static_cast<int>(random.bounded(n)); }
    bool Chance(int percent) { return Pick(100) < percent; }
    QString Name() { return kNames[Pick(static_cast<int>(kNames.size()))]; }

    void Put(const QString& path, const QByteArray& bytes) {
        const QString host = root + QStringLiteral("/files/") + path;
        QDir().mkpath(QFileInfo(host).path());
        QFile file(host);
        ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
             file.write(bytes) == bytes.size() && ok;
    }

    std::vector<ArchiveEntry> ArchiveEntries(int count, const QString& factoryName,
                                             std::int32_t factoryScore) {
        std::vector<ArchiveEntry> entries;
        for (int i = 0; i < count; ++i)
            entries.push_back(Chance(30) ? ArchiveEntry{factoryName, factoryScore}
                                         : ArchiveEntry{Name(), Pick(5) * 1000 + Pick(3)});
        return entries;
    }

    // A game's file for a folder name, sometimes cut short.
    QByteArray GameFile(const QString& folder) {
        const QString id = folder.toLower();
        const auto form = Chance(50) ? ArchiveChars::Wide : ArchiveChars::Narrow;
        QByteArray bytes;
        if (id.contains(QLatin1String("vondrel"))) {
            std::vector<LevelEntry> entries;
            const int count = Pick(32);
            for (int i = 0; i < count; ++i)
                entries.push_back(Chance(20) ? LevelEntry{QStringLiteral("Player 3"), 3000, 7}
                                             : LevelEntry{Name(), Pick(40) * 500, Pick(30)});
            bytes = LevelTableFile(entries);
        } else if (id.contains(QLatin1String("quilbit"))) {
            bytes = MaskedArchive(kQuilbitKey, QStringLiteral("Quilbit"),
                                  ArchiveEntries(10, QStringLiteral("Anonymous"), 100), form);
        } else if (id == QLatin1String("marbelo sp") || id == QLatin1String("word hunt")) {
            std::vector<TextRecord> records;
            const int count = Pick(30);
            for (int i = 0; i < count; ++i)
                records.push_back({Name().toStdString(), Pick(9) * 100,
                                   Chance(20) ? "[default]" : (Chance(50) ? "" : "Round: 2")});
            bytes = SignedTableText(id == QLatin1String("word hunt") ? 40 + Pick(3) : 3,
                                    1 + Pick(2), folder.toStdString(), records, !Chance(15));
            if (Chance(10))
                bytes[Pick(static_cast<int>(bytes.size()))] = 'Q'; // a changed byte
        } else if (id.contains(QLatin1String("deminar"))) {
            bytes = MaskedArchive(kDeminarKey, QStringLiteral("Times"),
                                  ArchiveEntries(3, QStringLiteral("Anonymous"), 999), form);
        } else if (id == QLatin1String("notes")) {
            return "not a highscore file\n";
        } else {
            bytes = MaskedArchive(kMarbeloKey, QStringLiteral("Marbelo"),
                                  ArchiveEntries(10, QStringLiteral("Anonymous"), 0), form);
        }
        if (Chance(8))
            bytes.truncate(Pick(static_cast<int>(bytes.size())));
        return bytes;
    }

    void GameFolder(const QString& parent) {
        const QString folder = kGameFolders[Pick(static_cast<int>(kGameFolders.size()))];
        const QString id = folder.toLower();
        const bool archive = !id.contains(QLatin1String("vondrel")) &&
                             id != QLatin1String("marbelo sp") && id != QLatin1String("word hunt");
        const QString file = archive && id != QLatin1String("notes")
                                 ? QStringLiteral("records.dat")
                                 : QStringLiteral("HighScores.sco");
        Put(parent + u'/' + folder + u'/' + file, GameFile(folder));
    }

    QString Registry(const QStringList& announcements, bool islandsApp) {
        QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n");
        const int owner = Pick(3);
        if (owner < 2) {
            text += QStringLiteral("[HKEY_CURRENT_USER\\ControlPanel\\Owner]\r\n");
            text += owner == 0 ? QStringLiteral("\"Owner\"=%1\r\n").arg(RegistryHex(Utf16z(Name())))
                               : QStringLiteral("\"Name\"=%1\r\n").arg(RegistryString(Name()));
            text += QStringLiteral("\r\n");
        }
        if (Chance(70))
            text += QStringLiteral("[HKEY_CURRENT_USER\\Software\\Zelkora\\Solvane\\Statistics]\r\n"
                                   "\"Games\"=dword:%1\r\n\"Won\"=dword:%2\r\n\r\n")
                        .arg(Pick(200), 8, 16, QLatin1Char('0'))
                        .arg(Pick(50), 8, 16, QLatin1Char('0'));
        text += QStringLiteral("[HKEY_LOCAL_MACHINE\\PMail\\Attachments]\r\n\"TopDir\"=%1\r\n\r\n")
                    .arg(RegistryString(QStringLiteral("Mail Attachments")));
        text += QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\r\n");
        for (qsizetype i = 0; i < announcements.size(); ++i)
            text +=
                QStringLiteral("\"Game%1\"=%2\r\n").arg(i).arg(RegistryString(announcements[i]));
        if (islandsApp)
            text += QStringLiteral("\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\SkyholmService\\"
                                   "Product]\r\n\"propNameAppPath\"=%1\r\n")
                        .arg(RegistryString(QStringLiteral("\\Program Files\\Sky\\Sky.exe")));
        return text;
    }

    void Write() {
        QDir(root).removeRecursively();
        for (const QString& parent : kProgramFolders) {
            const int games = Pick(6);
            for (int i = 0; i < games; ++i)
                GameFolder(parent);
        }
        GameFolder(QStringLiteral("Mail Attachments"));
        GameFolder(QStringLiteral("Storage Card"));
        std::array<ModeStats, 4> modes{};
        for (ModeStats& mode : modes)
            mode = Chance(30)
                       ? ModeStats{}
                       : ModeStats{quint32(Pick(30)), quint32(Pick(9000)), quint32(Pick(90000))};
        if (Chance(80))
            Put(QStringLiteral("Windows/Chomplet.dat"), PuzzleStatisticsFile(modes));

        QStringList announcements;
        if (Chance(70)) {
            Put(QStringLiteral("My Documents/New.sco"),
                SignedTableText(2, 1, "Zelk Quilbit (new)", {{Name().toStdString(), 3300, ""}}));
            announcements << QStringLiteral("1,\\My Documents\\New.sco");
        }
        const bool islandsApp = Chance(80);
        if (islandsApp)
            Put(QStringLiteral("Program Files/Sky/Sky.exe"), QByteArray(16, '\x90'));
        if (Chance(70)) {
            const int islands = Pick(5);
            for (int i = 0; i < islands; ++i) {
                const QByteArray body(Pick(2) ? 50 : 300, char('A' + i));
                const QByteArray file =
                    Chance(15) ? QByteArray(120, '\x6D')
                               : IslandFileBytes(Name().toStdString(),
                                                 "ID-" + std::to_string(Pick(3)), body);
                Put(QStringLiteral("My Documents/Sky/island.%1").arg(i == 0 ? 0 : Pick(9)), file);
            }
            Put(QStringLiteral("My Documents/Sky/settings.ino"), "[Player]\n");
            announcements << QStringLiteral("2,\\My Documents\\Sky");
        }
        QFile registry(root + QStringLiteral("/registry.reg"));
        ok = registry.open(QIODevice::WriteOnly) &&
             registry.write(Registry(announcements, islandsApp).toUtf8()) > 0 && ok;
        QFile ini(root + QStringLiteral("/device.ini"));
        ok = ini.open(QIODevice::WriteOnly) &&
             ini.write("[Device]\nStorageCards=Storage Card\n\n[Link]\nPacing=0\n") > 0 && ok;
    }

private:
    QString root;
    QRandomGenerator random;
};

} // namespace

bool WriteRandomImage(const QString& folder, quint32 seed) {
    Writer writer(folder, seed);
    writer.Write();
    return writer.ok;
}

} // namespace writers
