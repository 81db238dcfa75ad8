// The whole path, once per database: scorvane-cli publishes a device image's tables and
// islands to a running scorvane-server, on a fresh SQLite database and on a throwaway
// PostgreSQL cluster, and the JSON API and the pages show exactly what was published. On
// SQLite, headless Chromium loads the leaderboard page: a player name made of markup shows as
// text, and the submitter's address nowhere.
#include "CliRunner.h"
#include "ServerTests.h"
#include "TempPostgres.h"
#include "TestImage.h"

#include <QRegularExpression>
#include <QStandardPaths>

namespace {

class EndToEnd : public RunningServer, public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override {
        QString url;
        if (GetParam() == "PostgreSQL") {
            postgres = std::make_unique<TempPostgres>();
            url = postgres->CreateDatabase("e2e");
            ASSERT_FALSE(url.isEmpty()) << postgres->Problem().toStdString();
        }
        Start(url);
        // The command line's profile lives in the temporary home.
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", home.filePath("none").toLocal8Bit());
    }

    void TearDown() override { server.reset(); } // before the cluster goes

    // "name score extra" of every entry of a leaderboard, in rank order.
    QStringList Entries(const QString& board) {
        QStringList entries;
        for (const QJsonValue& e :
             QJsonDocument::fromJson(Call("/api/tables/" + board).body)["entries"].toArray())
            entries << e["name"].toString() + ' ' + QString::number(e["score"].toInt()) + ' ' +
                           e["extra"].toString();
        return entries;
    }

    std::unique_ptr<TempPostgres> postgres;
    QTemporaryDir home;
    TestImage image;
};

TEST_P(EndToEnd, PublishedTablesAndIslandsShowExactlyTheCheckedEntriesOnce) {
    const QString triviaFile = "\\Storage\\Program Files\\Trivia Blitz\\HighScores.sco";
    const QByteArray trivia =
        writers::SignedTableText(9, 1, "Trivia Blitz",
                                 {{"<script>alert(\"x\")</script>", 1020, "O'Neil \"Ace\""},
                                  {"Mira", 870, "Round: 9"},
                                  {"Jonas", 400, ""}});
    image.AddFile(triviaFile, trivia);
    image.AddFile("\\Storage\\Program Files\\vondrel\\HighScores.sco",
                  writers::LevelTableFile({{"Mira", 24150, 21}, {"Zo\u00eb", 18320, 19}}));
    image.SetRegistry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n"
                      "\"Skyholm\"=\"2,\\\\My Documents\\\\Zelk Skyholm\"\n");
    image.AddFile("\\My Documents\\Zelk Skyholm\\island.0",
                  writers::IslandFileBytes("Home Reef", "reef-0001", "current"));
    image.AddFile("\\My Documents\\Zelk Skyholm\\island.1",
                  writers::IslandFileBytes("Gull Rock", "gull-0002", "finished"));
    // The islands account is registered through the form, once per address.
    const HttpResult registered =
        Call("/islands/register", "email=mira%40sky.example&password=secret+pw&name=Mira+K.");
    const QRegularExpressionMatch link =
        QRegularExpression("/islands/(\\d+)").match(QString::fromUtf8(registered.body));
    ASSERT_TRUE(link.hasMatch()) << registered.body.constData();
    EXPECT_EQ(Call("/islands/register", "email=Mira%40Sky.example&password=another").status, 409);
    ASSERT_EQ(RunCli({"options", "--community-url", server->Url("/community/upload"), "--email",
                      "mira@ludora.example", "--islands-url", server->Url("/islands/upload"),
                      "--islands-email", "mira@sky.example", "--islands-password", "secret pw"})
                  .exitCode,
              0);

    for (int round = 0; round < 2; ++round) {
        const CliRun run =
            RunCli({"publish", "--device", image.Root(), "--json", "--uncheck", "Trivia Blitz:1"});
        EXPECT_EQ(QJsonDocument::fromJson(run.out).object().value("results").toArray(),
                  (QJsonArray{0, 0}))
            << run.out.constData();
        EXPECT_EQ(Entries("9/1/Trivia%20Blitz"),
                  (QStringList{"<script>alert(\"x\")</script> 1020 O'Neil \"Ace\"", "Jonas 400 "}));
        EXPECT_EQ(Tables(), QJsonDocument::fromJson(R"([
            {"game": 9, "format": 1, "title": "Trivia Blitz", "entries": 2},
            {"game": 1, "format": 1, "title": "Zelk Vondrel", "entries": 2}])")
                                .array());
    }
    // The server's refusals reach the program: a record changed after its digest was written
    // (reply 6, result 10), a wrong password (8, result 12), an unknown account (7, result 11).
    image.AddFile(triviaFile, QByteArray(trivia).replace("870", "970"));
    for (const auto& [option, value, results] :
         {std::tuple{"--email", "mira@ludora.example", QJsonArray{10, 0}},
          {"--islands-password", "wrong", QJsonArray{10, 12}},
          {"--islands-email", "someone@sky.example", QJsonArray{10, 11}}}) {
        ASSERT_EQ(RunCli({"options", option, value}).exitCode, 0);
        EXPECT_EQ(QJsonDocument::fromJson(
                      RunCli({"publish", "--device", image.Root(), "--json"}).out)["results"]
                      .toArray(),
                  results);
    }
    const QString islands = QString::fromUtf8(Call(link.captured(0)).body);
    for (const char* shown : {"Mira K.", "Home Reef", "Gull Rock"})
        EXPECT_TRUE(islands.contains(shown)) << shown << islands.toStdString();

    const QString chromium = QStandardPaths::findExecutable("chromium");
    if (GetParam() == "PostgreSQL")
        return;
    if (chromium.isEmpty())
        GTEST_SKIP() << "chromium is not installed (scripts/install-deps.sh installs it)";
    QProcess browser;
    browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                             "--disable-background-networking", "--disable-component-update",
                             "--disable-sync", "--user-data-dir=" + home.filePath("chromium"),
                             "--dump-dom", server->Url("/board/9/1/Trivia%20Blitz")});
    ASSERT_TRUE(browser.waitForFinished(120000));
    const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
    // Text that looks like markup stays a text node, serialised with its "<" escaped.
    for (const char* shown : {"<td class=\"name\">&lt;script&gt;alert(\"x\")&lt;/script&gt;</td>",
                              "<td>O'Neil \"Ace\"</td>", "<td class=\"name\">Jonas</td>"})
        EXPECT_TRUE(dom.contains(shown)) << shown << dom.toStdString();
    EXPECT_FALSE(dom.contains("<script>") || dom.contains("ludora.example"));
}

INSTANTIATE_TEST_SUITE_P(Databases, EndToEnd, ::testing::Values("SQLite", "PostgreSQL"),
                         [](const auto& info) { return info.param; });

} // namespace
