// scorvane-cli run as a separate program over device image folders.
#include "CliRunner.h"
#include "HighscoreWriters.h"
#include "TestImage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

QJsonObject ScanJson(const TestImage& image, int* exitCode = nullptr) {
    const CliRun run = RunCli({QStringLiteral("scan"), QStringLiteral("--device"), image.Root(),
                               QStringLiteral("--json")});
    if (exitCode)
        *exitCode = run.exitCode;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out.constData();
    return document.object();
}

// A handheld with a table, a table of factory entries only, and solitaire statistics of an
// owner who has not entered a name.
void FillImage(TestImage& image) {
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\vondrel\\HighScores.sco"),
                  writers::LevelTableFile({{QStringLiteral("Player 1"), 1000, 5},
                                           {QStringLiteral("J\u00f6rg"), 2500, 9}}));
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\Zelk Vondrel\\HighScores.sco"),
                  writers::LevelTableFile({{QStringLiteral("Player 2"), 2000, 6}}));
    QByteArray stats;
    stats.append("\x03\0\0\0\x02\0\0\0", 8);
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\Solvane\\HighScores.sco"), stats);
}

TEST(Cli, ScanPrintsTheSourcesTreeAndMessagesAsJson) {
    TestImage image;
    FillImage(image);
    int exitCode = -1;
    const QJsonObject scan = ScanJson(image, &exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(scan.value(QStringLiteral("result")).toInt(-1), 0);
    EXPECT_EQ(scan.value(QStringLiteral("islandsAppPresent")), QJsonValue(false));
    EXPECT_EQ(scan.value(QStringLiteral("islandsEntriesLoaded")).toInt(-1), 0);

    const QJsonArray messages = scan.value(QStringLiteral("messages")).toArray();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].toString().startsWith(
        QStringLiteral("Since you have not entered your Pocket PC/Smartphone owner information")));

    const QJsonArray sources = scan.value(QStringLiteral("sources")).toArray();
    ASSERT_EQ(sources.size(), 3);
    const QJsonObject solitaire = sources[0].toObject();
    EXPECT_EQ(solitaire.value(QStringLiteral("title")).toString(), QStringLiteral("Zelk Solvane"));
    EXPECT_EQ(solitaire.value(QStringLiteral("game")).toInt(), 4);
    const QJsonArray solitaireEntries = solitaire.value(QStringLiteral("entries")).toArray();
    ASSERT_EQ(solitaireEntries.size(), 1);
    EXPECT_EQ(solitaireEntries[0].toObject().value(QStringLiteral("text")).toString(),
              QStringLiteral("Anonymous, 2 points, Games: 3, won: 2"));

    // Equal titles: the scan's order decides, so find them by name.
    for (const QJsonValue& value : sources) {
        const QJsonObject source = value.toObject();
        const QString name = source.value(QStringLiteral("name")).toString();
        if (name == QLatin1String("Solvane"))
            continue;
        EXPECT_EQ(source.value(QStringLiteral("title")).toString(), QStringLiteral("Zelk Vondrel"));
        EXPECT_EQ(source.value(QStringLiteral("format")).toInt(), 1);
        EXPECT_EQ(source.value(QStringLiteral("destination")).toInt(), 1);
        EXPECT_EQ(source.value(QStringLiteral("verified")), QJsonValue(true));
        const QJsonArray entries = source.value(QStringLiteral("entries")).toArray();
        if (name == QLatin1String("vondrel")) {
            EXPECT_EQ(source.value(QStringLiteral("records")).toInt(), 2);
            EXPECT_EQ(source.value(QStringLiteral("shown")), QJsonValue(true));
            ASSERT_EQ(entries.size(), 1);
            EXPECT_EQ(entries[0].toObject().value(QStringLiteral("index")).toInt(-1), 0);
            EXPECT_EQ(entries[0].toObject().value(QStringLiteral("text")).toString(),
                      QStringLiteral("J\u00f6rg, 2500 points, Level: 9"));
        } else {
            EXPECT_EQ(name, QStringLiteral("Zelk Vondrel"));
            EXPECT_EQ(source.value(QStringLiteral("records")).toInt(), 1);
            EXPECT_EQ(source.value(QStringLiteral("shown")), QJsonValue(false));
            EXPECT_TRUE(entries.isEmpty());
        }
    }
}

TEST(Cli, ScanPrintsAReadableTreeThenTheMessages) {
    TestImage image;
    FillImage(image);
    const CliRun run = RunCli({QStringLiteral("scan"), QStringLiteral("--device=") + image.Root()});
    EXPECT_EQ(run.exitCode, 0);
    const QString out = QString::fromUtf8(run.out);
    EXPECT_TRUE(out.startsWith(QStringLiteral("Pocket PC/Smartphone Highscores\n")))
        << run.out.constData();
    EXPECT_TRUE(out.contains(
        QStringLiteral("    Zelk Solvane\n        [x] Anonymous, 2 points, Games: 3, won: 2\n")))
        << run.out.constData();
    EXPECT_TRUE(out.contains(QStringLiteral("        [x] J\u00f6rg, 2500 points, Level: 9\n")));
    EXPECT_FALSE(out.contains(QStringLiteral("Player")));
    EXPECT_TRUE(out.contains(QStringLiteral("\n\nSince you have not entered")));
}

TEST(Cli, AnEmptyHandheldSaysSo) {
    TestImage image;
    const CliRun run = RunCli({QStringLiteral("scan"), QStringLiteral("--device"), image.Root()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "No highscores found on the mobile device.\n");
}

TEST(Cli, NoHandheldIsAFailureWithTheDesktopsMessage) {
    QTemporaryDir nothing;
    const CliRun run =
        RunCli({QStringLiteral("scan"), QStringLiteral("--device"),
                nothing.path() + QStringLiteral("/missing"), QStringLiteral("--json")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "Unable to connect to the mobile device.\n");
    const QJsonObject scan = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(scan.value(QStringLiteral("result")).toInt(-1), 1);
    EXPECT_TRUE(scan.value(QStringLiteral("sources")).toArray().isEmpty());
}

TEST(Cli, HelpAndWrongCommandLines) {
    for (const QStringList& args : {QStringList{QStringLiteral("scan"), QStringLiteral("--help")},
                                    QStringList{QStringLiteral("help"), QStringLiteral("scan")}}) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.exitCode, 0) << args.join(u' ').toStdString();
        EXPECT_TRUE(run.out.contains("--device FOLDER"));
        EXPECT_TRUE(run.out.contains("--json"));
    }
    const CliRun usage = RunCli({QStringLiteral("help")});
    EXPECT_EQ(usage.exitCode, 0);
    EXPECT_TRUE(usage.out.contains("scan"));

    for (const QStringList& args :
         {QStringList{QStringLiteral("scan"), QStringLiteral("--bogus")},
          QStringList{QStringLiteral("scan"), QStringLiteral("--device")},
          QStringList{QStringLiteral("scan"), QStringLiteral("--device=")},
          QStringList{QStringLiteral("scan"), QStringLiteral("--json=yes")},
          QStringList{QStringLiteral("scan"), QStringLiteral("extra")},
          QStringList{QStringLiteral("frobnicate")}, QStringList{}}) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_FALSE(run.err.isEmpty());
    }
    EXPECT_TRUE(
        RunCli({QStringLiteral("scan"), QStringLiteral("--bogus")}).err.contains("--bogus"));
}

} // namespace
