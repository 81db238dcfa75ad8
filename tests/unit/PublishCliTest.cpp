// scorvane-cli publish and options, run as separate programs with their own profile, over
// device image folders, against a server the test runs on 127.0.0.1.
#include "CliRunner.h"
#include "HighscoreWriters.h"
#include "TestHttpServer.h"
#include "TestImage.h"
#include "TestText.h"
#include "device/IslandFiles.h"
#include "publish/PublishResult.h"
#include "publish/PublishRun.h"
#include "publish/UploadBody.h"
#include "ui/Settings.h"
#include "ui/SiteAddresses.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#endif

namespace {

const QByteArray kOk = "Highscores(7hT2xK9m4Rd):0\n";
const QString kTriviaPath =
    QStringLiteral("\\Storage\\Program Files\\Trivia Blitz\\HighScores.sco");

struct PublishCliRun : CliRun {
    QJsonObject json;
};

class PublishCli : public ::testing::Test {
protected:
    // Runs scorvane-cli with this test's profile; standard input is no terminal.
    PublishCliRun Run(const QStringList& args, const QByteArray& input = QByteArray()) {
        PublishCliRun run;
        static_cast<CliRun&>(run) = RunCli(args, Environment(), input);
        if (args.contains(QStringLiteral("--json")))
            run.json = QJsonDocument::fromJson(run.out).object();
        return run;
    }

    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), system.path());
        return environment;
    }

    PublishCliRun Publish(QStringList extra = {}) {
        return Run(QStringList{QStringLiteral("publish"), QStringLiteral("--device"), image.Root(),
                               QStringLiteral("--json")} +
                   extra);
    }

    void Options(const QStringList& args) {
        ASSERT_EQ(Run(QStringList{QStringLiteral("options")} + args).exitCode, 0);
    }

    void UseServer(const QString& email = QStringLiteral("me@ludora.example")) {
        const QString url = QStringLiteral("http://%1/hs/upload.php")
                                .arg(QString::fromStdString(server.HostAndPort()));
        Options({QStringLiteral("--community-url"), url, QStringLiteral("--email"), email});
    }

    // The user's own profile (the registry on Windows).
    QString OwnValue(const char* key) const {
#ifdef Q_OS_WIN
        QSettings own(QStringLiteral("Zelkora"), QStringLiteral("Scorvane"));
#else
        QSettings own(home.path() + QStringLiteral("/Zelkora/Scorvane.conf"), QSettings::IniFormat);
#endif
        return own.value(QStringLiteral("Options/") + QLatin1String(key)).toString();
    }

    void AddTrivia() {
        trivia = writers::SignedTableText(
            9, 1, "Trivia Blitz",
            {{"Tobias", 1020, "Round: 11"}, {"Mira", 870, "Round: 9"}, {"Jonas", 400, ""}});
        image.AddFile(kTriviaPath, trivia);
    }

    void AddIslands() {
        image.SetRegistry(QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n"
                                         "\"Skyholm\"=\"2,\\\\My Documents\\\\Zelk Skyholm\"\n"));
        island0 = writers::IslandFileBytes("Home Reef", "reef-0001", "island zero");
        island1 = writers::IslandFileBytes("Gull Rock", "gull-0002", "island one");
        image.AddFile(QStringLiteral("\\My Documents\\Zelk Skyholm\\island.0"), island0);
        image.AddFile(QStringLiteral("\\My Documents\\Zelk Skyholm\\island.1"), island1);
    }

    static QStringList Strings(const QJsonValue& value) {
        QStringList out;
        for (const QJsonValue& item : value.toArray())
            out.append(item.toString());
        return out;
    }
    static std::vector<int> Ints(const QJsonValue& value) {
        std::vector<int> out;
        for (const QJsonValue& item : value.toArray())
            out.push_back(item.toInt(-100));
        return out;
    }
    static QString Success(const std::string& server) {
        return QString::fromStdString(FormatPublishResult(0, "", server, ""));
    }

    QTemporaryDir home;
    QTemporaryDir system;
    TestImage image;
    TestHttpServer server;
    QByteArray trivia;
    QByteArray island0;
    QByteArray island1;
};

TEST_F(PublishCli, PublishesTheCheckedEntriesOfADeviceImage) {
    AddTrivia();
    UseServer();
    const PublishCliRun run =
        Publish({QStringLiteral("--uncheck"), QStringLiteral("Trivia Blitz:1")});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(Strings(run.json.value(QStringLiteral("messages"))),
              QStringList{Success(server.HostAndPort())});
    EXPECT_EQ(Ints(run.json.value(QStringLiteral("results"))), (std::vector<int>{0, 9}));

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/hs/upload.php");
    // The table text exactly as read, the chosen record indices and the address.
    EXPECT_EQ(requests[0].body.toStdString(),
              EncodeBody(trivia.toStdString() + "\n0,2:me@ludora.example"));
}

TEST_F(PublishCli, WithoutATerminalTheEmailQuestionIsAnsweredNo) {
    AddTrivia();
    UseServer(QString());
    const CliRun run = Run({QStringLiteral("publish"), QStringLiteral("--device"), image.Root()});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    const QString out = QString::fromUtf8(run.out);
    const QString question = QString::fromStdString(EmailPromptText(kCommunityHost));
    ASSERT_TRUE(out.startsWith(question)) << run.out.constData();
    EXPECT_TRUE(out.contains(Success(server.HostAndPort())));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].body.toStdString(), EncodeBody(trivia.toStdString() + "\n0,1,2:"));
}

TEST_F(PublishCli, FailedUploadNamesTheTableAndFailsTheCommand) {
    AddTrivia();
    UseServer();
    server.SetResponse(TestResponse::Reply("Highscores(7hT2xK9m4Rd):4"));
    const PublishCliRun run = Publish();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Ints(run.json.value(QStringLiteral("results"))), (std::vector<int>{7, 9}));
    EXPECT_EQ(Strings(run.json.value(QStringLiteral("messages"))),
              QStringList{QString::fromStdString(
                  FormatPublishResult(7, "Trivia Blitz", server.HostAndPort(), ""))});
}

TEST_F(PublishCli, UncheckingAnEntryTheTreeDoesNotShowIsAnError) {
    AddTrivia();
    UseServer();
    for (const QString& bad : {QStringLiteral("Trivia Blitz:3"), QStringLiteral("Trivia Blitz")}) {
        const PublishCliRun run = Publish({QStringLiteral("--uncheck"), bad});
        EXPECT_EQ(run.exitCode, 2) << bad.toStdString();
    }
    EXPECT_EQ(server.Connections(), 0);
}

// A missing islands address stops the whole publish, the Ludora table too, as the help says.
TEST_F(PublishCli, MissingIslandsAccountAbortsWithoutATerminal) {
    AddIslands();
    AddTrivia();
    UseServer();
    Options({QStringLiteral("--islands-url"),
             QString::fromStdString(server.HostAndPort() + "/sky/up.php")});
    const PublishCliRun run = Publish({QStringLiteral("--yes")});
    EXPECT_EQ(run.exitCode, 1);
    const QStringList messages = Strings(run.json.value(QStringLiteral("messages")));
    ASSERT_GE(messages.size(), 2);
    EXPECT_EQ(messages.mid(messages.size() - 2),
              (QStringList{QString::fromLatin1(kIslandsOptionsText),
                           QString::fromLatin1(kIslandsAbortText)}));
    EXPECT_TRUE(run.json.value(QStringLiteral("results")).toArray().isEmpty());
    EXPECT_EQ(server.Connections(), 0);
    EXPECT_TRUE(Run({QStringLiteral("publish"), QStringLiteral("--help")})
                    .out.contains("the whole publish stops before\nanything is uploaded"));
}

TEST_F(PublishCli, PublishesIslandsWithTheIslandsAccount) {
    AddIslands();
    Options({QStringLiteral("--islands-url"),
             QString::fromStdString(server.HostAndPort() + "/sky/up.php"),
             QStringLiteral("--islands-email"), QStringLiteral("me@sky.example"),
             QStringLiteral("--islands-password"), QStringLiteral("pw")});
    const PublishCliRun run =
        Publish({QStringLiteral("--uncheck"), QStringLiteral("Zelk Skyholm:0")});
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    EXPECT_EQ(Ints(run.json.value(QStringLiteral("results"))), (std::vector<int>{9, 0}));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/sky/up.php");
    const std::string header =
        std::string("C7E20B94\n1001|10|Zelk Skyholm\nme@sky.example:pw\n") + std::string(1, '\0');
    EXPECT_EQ(requests[0].body.toStdString(),
              EncodeBody(header + Le32(std::uint32_t(island1.size())) + island1.toStdString() +
                         Le32(0) + Le32(kIslandsEndMark)));
}

TEST_F(PublishCli, OptionsSetAndShowTheProfile) {
    Options({QStringLiteral("--email"), QStringLiteral("  me@ludora.example "),
             QStringLiteral("--islands-email"), QStringLiteral("me@sky.example"),
             QStringLiteral("--islands-password"), QStringLiteral("secret"),
             QStringLiteral("--community-url"), QStringLiteral("http://ludora.example/up.php"),
             QStringLiteral("--islands-url"), QStringLiteral("https://sky.example/up.php")});
    EXPECT_EQ(OwnValue("Email"), QStringLiteral("me@ludora.example"));
    EXPECT_EQ(OwnValue("ScriptPath"), QStringLiteral("ludora.example/up.php"));
    EXPECT_EQ(OwnValue("Skyholm_ScriptPath"), QStringLiteral("https://sky.example/up.php"));
    EXPECT_EQ(OwnValue("Skyholm_Password"), QString::fromStdString(EncodePassword("secret")));

    const CliRun shown = Run({QStringLiteral("options"), QStringLiteral("--show")});
    EXPECT_EQ(shown.exitCode, 0);
    const QString out = QString::fromUtf8(shown.out);
    EXPECT_TRUE(out.contains(QStringLiteral("ludora.example/up.php")));
    EXPECT_TRUE(out.contains(QStringLiteral("https://sky.example/up.php")));
    EXPECT_TRUE(out.contains(QStringLiteral("me@sky.example")));
    EXPECT_FALSE(out.contains(QStringLiteral("secret")));

    // A malformed address is refused, and nothing is saved.
    const CliRun bad =
        Run({QStringLiteral("options"), QStringLiteral("--islands-password"),
             QStringLiteral("other"), QStringLiteral("--email"), QStringLiteral("me@")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(bad.err).trimmed(), QStringLiteral("Invalid E-mail format."));
    EXPECT_EQ(OwnValue("Email"), QStringLiteral("me@ludora.example"));
    EXPECT_EQ(OwnValue("Skyholm_Password"), QString::fromStdString(EncodePassword("secret")));
}

// The password from standard input is stored exactly as given; a profile that cannot be
// written is an error with a message.
TEST_F(PublishCli, OptionsReadThePasswordFromStandardInputAndReportAProfileNotSaved) {
    const QStringList fromInput{QStringLiteral("options"),
                                QStringLiteral("--islands-password-stdin")};
    EXPECT_EQ(Run(fromInput, " pass word \r\nnext line\n").exitCode, 0);
    EXPECT_EQ(OwnValue("Skyholm_Password"), QString::fromStdString(EncodePassword(" pass word ")));
    EXPECT_EQ(Run(fromInput).exitCode, 1) << "no line at all";
    EXPECT_EQ(Run(fromInput + QStringList{QStringLiteral("--islands-password=x")}).exitCode, 2);

#ifdef Q_OS_WIN
    GTEST_SKIP() << "the profile is in the registry there, which a test cannot make unwritable";
#endif
    const QString folder = home.filePath(QStringLiteral("Zelkora"));
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(QFile(folder).open(QIODevice::WriteOnly));
    const CliRun failed = Run({QStringLiteral("options"), QStringLiteral("--email=me@x")});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.err.startsWith("The settings could not be saved to")) << failed.err.data();
}

#ifdef Q_OS_UNIX
// On a terminal the islands password is typed without being shown: the terminal echoes the
// address typed before it, but not the password.
TEST_F(PublishCli, TheIslandsPasswordIsTypedWithoutEcho) {
    AddIslands();
    Options({QStringLiteral("--islands-url"),
             QString::fromStdString(server.HostAndPort() + "/sky/up.php")});
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(grantpt(terminal), 0);
    ASSERT_EQ(unlockpt(terminal), 0);
    QProcess process;
    process.setProcessEnvironment(Environment());
    process.setStandardInputFile(QString::fromLocal8Bit(ptsname(terminal)));
    process.setReadChannel(QProcess::StandardError);
    process.start(QStringLiteral(SCORVANE_CLI_PATH),
                  {QStringLiteral("publish"), QStringLiteral("--device"), image.Root()});
    // Enter at "Please fill ZelkSkyholm options.", the Ludora address kept, the islands one.
    const QByteArray typed = "\n\nme@sky.example\n";
    ASSERT_EQ(write(terminal, typed.data(), typed.size()), typed.size());
    QByteArray err;
    for (QDeadlineTimer deadline(60000); !err.contains("password") && !deadline.hasExpired();) {
        process.waitForReadyRead(100);
        err += process.readAllStandardError();
    }
    ASSERT_TRUE(err.contains("password")) << err.data();
    ASSERT_EQ(write(terminal, "s3cr3t-pw\n", 10), 10);
    ASSERT_TRUE(process.waitForFinished(60000));

    QByteArray shown;
    fcntl(terminal, F_SETFL, O_NONBLOCK);
    char buffer[256];
    for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;)
        shown.append(buffer, n);
    close(terminal);
    EXPECT_TRUE(shown.contains("me@sky.example")) << shown.data();
    EXPECT_FALSE(shown.contains("s3cr3t-pw")) << shown.data();
    EXPECT_EQ(server.Requests().size(), 1u);
}
#endif

// The whole island cycle through the command line: a publish marks what it uploaded, the next
// scan deletes exactly those files; a failed upload marks nothing.
TEST_F(PublishCli, TheNextScanDeletesPublishedIslandsOnly) {
    AddIslands();
    Options({QStringLiteral("--islands-url"),
             QString::fromStdString(server.HostAndPort() + "/sky/up.php"),
             QStringLiteral("--islands-email"), QStringLiteral("me@sky.example"),
             QStringLiteral("--islands-password"), QStringLiteral("pw")});
    const QString island1Path =
        image.HostPath(QStringLiteral("\\My Documents\\Zelk Skyholm\\island.1"));
    const QString island0Path =
        image.HostPath(QStringLiteral("\\My Documents\\Zelk Skyholm\\island.0"));
    const QStringList scan{QStringLiteral("scan"), QStringLiteral("--device"), image.Root()};

    server.SetResponse(TestResponse::Reply("Highscores(7hT2xK9m4Rd):3\n"));
    EXPECT_EQ(Publish().exitCode, 1);
    ASSERT_EQ(Run(scan).exitCode, 0);
    EXPECT_TRUE(QFile::exists(island1Path)) << "a failed upload marks nothing";

    server.SetResponse(TestResponse::Reply(kOk));
    EXPECT_EQ(Publish().exitCode, 0);
    EXPECT_TRUE(QFile::exists(island1Path)) << "nothing is deleted before the next download";
    ASSERT_EQ(Run(scan).exitCode, 0);
    EXPECT_FALSE(QFile::exists(island1Path));
    EXPECT_TRUE(QFile::exists(island0Path)) << "the current island is never deleted";
}

} // namespace
