// The whole path: scorvane-cli publishes a device image to a running scorvane-server, on a
// fresh SQLite database and on a throwaway PostgreSQL cluster, and the pages and the JSON API
// show exactly what was published.
#include "CliRunner.h"
#include "HighscoreWriters.h"
#include "HttpCalls.h"
#include "ServerProcess.h"
#include "TempPostgres.h"
#include "TestImage.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

enum class Backend { Sqlite, Postgres };

const QString kTriviaPath =
    QStringLiteral("\\Storage\\Program Files\\Trivia Blitz\\HighScores.sco");

class EndToEnd : public ::testing::TestWithParam<Backend> {
protected:
    static void TearDownTestSuite() { postgres.reset(); }

    void SetUp() override {
        QString url = QStringLiteral("sqlite:") + data.filePath(QStringLiteral("server.db"));
        if (GetParam() == Backend::Postgres) {
            if (!postgres)
                postgres = std::make_unique<TempPostgres>();
            ASSERT_TRUE(postgres->Problem().isEmpty()) << postgres->Problem().toStdString();
            static int databases = 0;
            url = postgres->CreateDatabase(QStringLiteral("e2e%1").arg(++databases));
            ASSERT_FALSE(url.isEmpty()) << postgres->Problem().toStdString();
        }
        server = std::make_unique<ServerProcess>(QStringLiteral(SCORVANE_SERVER_PATH), url);
        ASSERT_NE(server->Port(), 0) << server->Log().toStdString();
    }

    void TearDown() override {
        if (server) {
            EXPECT_EQ(server->Stop(), 0) << server->Log().toStdString();
        }
    }

    CliRun Cli(const QStringList& args) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_DIRS"),
                           home.path() + QStringLiteral("/none"));
        return RunCli(args, environment);
    }

    // Publishes the image; the results and the messages of the run.
    std::pair<QList<int>, QStringList> Publish(const QStringList& extra = {}) {
        const CliRun run = Cli(QStringList{QStringLiteral("publish"), QStringLiteral("--device"),
                                           image.Root(), QStringLiteral("--json")} +
                               extra);
        const QJsonObject json = QJsonDocument::fromJson(run.out).object();
        QList<int> results;
        for (const QJsonValue& value : json.value(QStringLiteral("results")).toArray())
            results << value.toInt(-1);
        QStringList messages;
        for (const QJsonValue& value : json.value(QStringLiteral("messages")).toArray())
            messages << value.toString();
        return {results, messages};
    }

    void Options(const QStringList& args) {
        ASSERT_EQ(Cli(QStringList{QStringLiteral("options")} + args).exitCode, 0);
    }

    // "name score extra" of every entry of a leaderboard, in rank order.
    QStringList Entries(const QString& board) {
        const HttpResult result = Get(server->Url(QStringLiteral("/api/tables/") + board));
        EXPECT_EQ(result.status, 200) << board.toStdString();
        QStringList entries;
        for (const QJsonValue& value : result.Json().object().value("entries").toArray()) {
            const QJsonObject entry = value.toObject();
            entries << QStringLiteral("%1 %2 %3")
                           .arg(entry.value("name").toString())
                           .arg(entry.value("score").toInt())
                           .arg(entry.value("extra").toString());
        }
        return entries;
    }

    static std::unique_ptr<TempPostgres> postgres;
    QTemporaryDir data;
    QTemporaryDir home;
    TestImage image;
    std::unique_ptr<ServerProcess> server;
};

std::unique_ptr<TempPostgres> EndToEnd::postgres;

TEST_P(EndToEnd, PublishedTablesShowExactlyTheCheckedEntriesOnce) {
    const QByteArray trivia = writers::SignedTableText(
        9, 1, "Trivia Blitz",
        {{"Tobias", 1020, "Round: 11"}, {"Mira", 870, "Round: 9"}, {"Jonas", 400, ""}});
    image.AddFile(kTriviaPath, trivia);
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\vondrel\\HighScores.sco"),
                  writers::LevelTableFile({{QStringLiteral("Mira"), 24150, 21},
                                           {QStringLiteral("Zo\u00eb"), 18320, 19}}));
    Options({QStringLiteral("--community-url"), server->Url(QStringLiteral("/community/upload")),
             QStringLiteral("--email"), QStringLiteral("mira@ludora.example")});

    const QStringList uncheck{QStringLiteral("--uncheck"), QStringLiteral("Trivia Blitz:1")};
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(Publish(uncheck).first, (QList<int>{0, 9})) << "round " << round;
        EXPECT_EQ(Entries(QStringLiteral("9/1/Trivia%20Blitz")),
                  (QStringList{"Tobias 1020 Round: 11", "Jonas 400 "}));
        EXPECT_EQ(
            Entries(QStringLiteral("1/1/Zelk%20Vondrel")),
            (QStringList{"Mira 24150 Level: 21", QStringLiteral("Zo\u00eb 18320 Level: 19")}));
    }
    const QJsonArray tables = Get(server->Url(QStringLiteral("/api/tables"))).Json().array();
    ASSERT_EQ(tables.size(), 2);
    const QString page =
        QString::fromUtf8(Get(server->Url(QStringLiteral("/board/9/1/Trivia%20Blitz"))).body);
    EXPECT_TRUE(page.contains(QStringLiteral("Tobias")) && page.contains(QStringLiteral("Jonas")));
    EXPECT_FALSE(page.contains(QStringLiteral("Mira"))) << "the unchecked entry";
    EXPECT_FALSE(page.contains(QStringLiteral("ludora.example"))) << "the submitter's address";

    // One record changed on the handheld after its digest was written.
    QByteArray tampered = trivia;
    tampered.replace("870", "970");
    image.AddFile(kTriviaPath, tampered);
    const auto [results, messages] = Publish();
    EXPECT_TRUE(results.contains(10));
    EXPECT_TRUE(messages.contains(QStringLiteral(
        "Error publishing Trivia Blitz highscores.\nServer reports: Signature doesn't match.")))
        << messages.join(u'\n').toStdString();
    EXPECT_EQ(Entries(QStringLiteral("9/1/Trivia%20Blitz")).size(), 2);
}

TEST_P(EndToEnd, IslandsGoToTheAccountRegisteredThroughTheForm) {
    const HttpResult registered =
        PostForm(server->Url(QStringLiteral("/islands/register")),
                 "email=mira%40sky.example&password=secret+pw&name=Mira+K.");
    ASSERT_EQ(registered.status, 200) << registered.body.constData();
    const QRegularExpressionMatch link = QRegularExpression(QStringLiteral("/islands/(\\d+)"))
                                             .match(QString::fromUtf8(registered.body));
    ASSERT_TRUE(link.hasMatch());
    EXPECT_EQ(PostForm(server->Url(QStringLiteral("/islands/register")),
                       "email=Mira%40Sky.example&password=another")
                  .status,
              409);

    image.SetRegistry(QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n"
                                     "\"Skyholm\"=\"2,\\\\My Documents\\\\Zelk Skyholm\"\n"));
    image.AddFile(QStringLiteral("\\My Documents\\Zelk Skyholm\\island.0"),
                  writers::IslandFileBytes("Home Reef", "reef-0001", "current"));
    image.AddFile(QStringLiteral("\\My Documents\\Zelk Skyholm\\island.1"),
                  writers::IslandFileBytes("Gull Rock", "gull-0002", "finished"));
    const QString upload = server->Url(QStringLiteral("/islands/upload"));
    Options({QStringLiteral("--islands-url"), upload, QStringLiteral("--islands-email"),
             QStringLiteral("mira@sky.example"), QStringLiteral("--islands-password"),
             QStringLiteral("secret pw")});
    EXPECT_EQ(Publish().first, (QList<int>{9, 0}));
    const QString islands = QString::fromUtf8(Get(server->Url(link.captured(0))).body);
    EXPECT_TRUE(islands.contains(QStringLiteral("Home Reef")) &&
                islands.contains(QStringLiteral("Gull Rock")))
        << islands.toStdString();
    EXPECT_TRUE(islands.contains(QStringLiteral("Mira K.")));

    Options({QStringLiteral("--islands-email"), QStringLiteral("someone@sky.example")});
    EXPECT_EQ(Publish().first, (QList<int>{9, 11})) << "unknown e-mail: reply 7";
    Options({QStringLiteral("--islands-email"), QStringLiteral("mira@sky.example"),
             QStringLiteral("--islands-password"), QStringLiteral("wrong")});
    EXPECT_EQ(Publish().first, (QList<int>{9, 12})) << "wrong password: reply 8";
}

INSTANTIATE_TEST_SUITE_P(Databases, EndToEnd, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) {
                             return info.param == Backend::Sqlite ? "SQLite" : "PostgreSQL";
                         });

} // namespace
