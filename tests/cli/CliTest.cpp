// scorvane-cli run as a separate program with a profile of its own, over device images, against
// a server the test runs on 127.0.0.1.
#include "CliRunner.h"
#include "HighscoreWriters.h"
#include "TestHttpServer.h"
#include "TestImage.h"
#include "formats/Reply.h"
#include "formats/UploadData.h"
#include "profile/Settings.h"
#include "publish/PublishRun.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#endif

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class CliTest : public ::testing::Test {
protected:
    QProcessEnvironment environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), m_system.path());
        return environment;
    }
    CliRun run(const QStringList& args, const QByteArray& input = {}) const {
        return RunCli(args, environment(), input);
    }
    // A value of the user's own profile (the registry on Windows).
    QString stored(const char* key) const {
#ifdef Q_OS_WIN
        const QSettings own(QStringLiteral("Zelkora"), QStringLiteral("Scorvane"));
#else
        const QSettings own(m_home.filePath(QStringLiteral("Zelkora/Scorvane.conf")),
                            QSettings::IniFormat);
#endif
        return own.value(QStringLiteral("Options/") + QLatin1String(key)).toString();
    }

    QTemporaryDir m_home;
    QTemporaryDir m_system;
};

TEST_F(CliTest, ScanOfTheSampleImagePrintsTheExpectedTreeAndJson) {
    const QString sample = QStringLiteral(SCORVANE_SAMPLE_DEVICE);
    for (const auto& [json, expected] :
         {std::pair{true, "sample-scan.json"}, std::pair{false, "sample-scan.txt"}}) {
        QStringList args{QStringLiteral("scan"), QStringLiteral("--device"), sample};
        if (json)
            args << QStringLiteral("--json");
        const CliRun scan = run(args);
        EXPECT_EQ(scan.exitCode, 0) << scan.err.constData();
        EXPECT_EQ(scan.out, readFile(QStringLiteral(SCORVANE_CLI_TEST_DATA "/") + expected))
            << expected;
    }
    // With no source at all, the JSON is still what Qt writes for the whole object.
    const TestImage empty;
    const QByteArray json = run({QStringLiteral("scan"), QStringLiteral("--device"), empty.Root(),
                                 QStringLiteral("--json")})
                                .out;
    EXPECT_EQ(QJsonDocument::fromJson(json).toJson(QJsonDocument::Indented), json);
}

TEST_F(CliTest, PublishSendsTheEntriesLeftCheckedAndAnswersNoWithoutATerminal) {
    TestHttpServer server;
    server.setResponse(TestResponse::reply(replyLine(0)));
    TestImage image;
    const QByteArray trivia = writers::SignedTableText(
        9, 1, "Trivia Blitz",
        {{"Tobias", 1020, "Round: 11"}, {"Mira", 870, "Round: 9"}, {"Jonas", 400, ""}});
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\Trivia Blitz\\HighScores.sco"), trivia);
    // No e-mail address: the question is answered No.
    ASSERT_EQ(run({QStringLiteral("options"), QStringLiteral("--community-url"),
                   QStringLiteral("http://%1/hs/upload.php").arg(server.hostAndPort())})
                  .exitCode,
              0);
    const QStringList publish{QStringLiteral("publish"), QStringLiteral("--device"), image.Root(),
                              QStringLiteral("--yes"), QStringLiteral("--json")};

    EXPECT_EQ(run(publish + QStringList{QStringLiteral("--uncheck=Trivia Blitz:3")}).exitCode, 2)
        << "an entry the tree does not show";
    EXPECT_EQ(server.connections(), 0);

    const CliRun published =
        run(publish + QStringList{QStringLiteral("--uncheck"), QStringLiteral("Trivia Blitz:1")});
    EXPECT_EQ(published.exitCode, 0) << published.err.constData();
    const QJsonObject json = QJsonDocument::fromJson(published.out).object();
    const QJsonArray messages = json.value(QStringLiteral("messages")).toArray();
    ASSERT_EQ(messages.size(), 2) << published.out.constData();
    EXPECT_EQ(messages[0].toString(), emailPromptText());
    EXPECT_EQ(json.value(QStringLiteral("results")).toArray(), (QJsonArray{0, 9}));
    const QList<RecordedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].target, "/hs/upload.php");
    EXPECT_EQ(requests[0].body, encodeBody(tableUploadData(trivia, {0, 2}, "")));
}

TEST_F(CliTest, OptionsTakeThePasswordFromStandardInputAndReportAProfileNotSaved) {
    const QStringList fromInput{QStringLiteral("options"),
                                QStringLiteral("--islands-password-stdin")};
    EXPECT_EQ(run(fromInput, " pass word \r\nnext line\n").exitCode, 0);
    EXPECT_EQ(stored("Skyholm_Password"), obfuscatePassword(QStringLiteral(" pass word ")));
    EXPECT_EQ(run(fromInput).exitCode, 1) << "no line at all";

#ifdef Q_OS_WIN
    GTEST_SKIP() << "the profile is in the registry, which cannot be made unwritable";
#endif
    // A file where the profile's folder belongs stops every write.
    ASSERT_TRUE(QDir(m_home.filePath(QStringLiteral("Zelkora"))).removeRecursively());
    ASSERT_TRUE(QFile(m_home.filePath(QStringLiteral("Zelkora"))).open(QIODevice::WriteOnly));
    const CliRun failed = run({QStringLiteral("options"), QStringLiteral("--email=me@x")});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.err.startsWith("The settings could not be saved to")) << failed.err.data();
}

TEST_F(CliTest, AWrongCommandLineIsExitStatus2) {
    const QList<QStringList> wrong = {
        {},
        {QStringLiteral("frobnicate")},
        {QStringLiteral("scan"), QStringLiteral("--bogus")},
        {QStringLiteral("scan"), QStringLiteral("--device")},
        {QStringLiteral("scan"), QStringLiteral("--device=")},
        {QStringLiteral("scan"), QStringLiteral("--json=yes")},
        {QStringLiteral("scan"), QStringLiteral("extra")},
        {QStringLiteral("publish"), QStringLiteral("--uncheck"), QStringLiteral("no index")},
        {QStringLiteral("options"), QStringLiteral("--islands-password=x"),
         QStringLiteral("--islands-password-stdin")},
    };
    for (const QStringList& args : wrong) {
        const CliRun usage = run(args);
        EXPECT_EQ(usage.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_FALSE(usage.err.isEmpty()) << args.join(u' ').toStdString();
    }
    const CliRun help = run({QStringLiteral("help"), QStringLiteral("publish")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--uncheck TITLE:INDEX"));
}

#ifdef Q_OS_UNIX
// On a terminal the islands password is typed without being shown: the terminal echoes the
// address typed before it, but not the password.
TEST_F(CliTest, TheIslandsPasswordIsTypedWithoutEcho) {
    TestHttpServer server;
    server.setResponse(TestResponse::reply(replyLine(0)));
    TestImage image;
    image.SetRegistry(QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n"
                                     "\"Skyholm\"=\"2,\\\\My Documents\\\\Zelk Skyholm\"\n"));
    image.AddFile(QStringLiteral("\\My Documents\\Zelk Skyholm\\island.1"),
                  writers::IslandFileBytes("Gull Rock", "gull-0002", "island one"));
    ASSERT_EQ(run({QStringLiteral("options"), QStringLiteral("--islands-url"),
                   server.hostAndPort() + QStringLiteral("/sky/up.php")})
                  .exitCode,
              0);
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(grantpt(terminal), 0);
    ASSERT_EQ(unlockpt(terminal), 0);
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setStandardInputFile(QString::fromLocal8Bit(ptsname(terminal)));
    process.setReadChannel(QProcess::StandardError);
    process.start(QStringLiteral(SCORVANE_CLI_PATH),
                  {QStringLiteral("publish"), QStringLiteral("--device"), image.Root()});
    // Enter at "Please fill ZelkSkyholm options.", the Ludora address kept, the islands one.
    const QByteArray typed = "\n\nme@sky.example\n";
    ASSERT_EQ(write(terminal, typed.data(), size_t(typed.size())), typed.size());
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
    EXPECT_EQ(stored("Skyholm_Password"), obfuscatePassword(QStringLiteral("s3cr3t-pw")));
    EXPECT_EQ(server.requests().size(), 1);
}
#endif

} // namespace
