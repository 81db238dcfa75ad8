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

    // One line per source; equal titles leave the order to the scan, so the lines are sorted.
    QStringList lines;
    for (const QJsonValue& value : scan.value(QStringLiteral("sources")).toArray()) {
        const QJsonObject source = value.toObject();
        QStringList line;
        for (const char* key :
             {"name", "title", "game", "format", "destination", "verified", "records", "shown"})
            line << source.value(QLatin1String(key)).toVariant().toString();
        for (const QJsonValue& entry : source.value(QStringLiteral("entries")).toArray())
            line << QString::number(entry.toObject().value(QStringLiteral("index")).toInt(-1)) +
                        u' ' + entry.toObject().value(QStringLiteral("text")).toString();
        lines << line.join(u'|');
    }
    lines.sort();
    EXPECT_EQ(lines, (QStringList{QStringLiteral("Solvane|Zelk Solvane|4|1|1|true|1|true|"
                                                 "0 Anonymous, 2 points, Games: 3, won: 2"),
                                  QStringLiteral("Zelk Vondrel|Zelk Vondrel|1|1|1|true|1|false"),
                                  QStringLiteral("vondrel|Zelk Vondrel|1|1|1|true|2|true|"
                                                 "0 J\u00f6rg, 2500 points, Level: 9")}))
        << lines.join(u'\n').toStdString();
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
