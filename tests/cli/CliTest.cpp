// scorvane-cli run as a separate program with a profile of its own, over device images, against
// a server the test runs on 127.0.0.1: its output, its exit statuses, and its answers typed on a
// terminal.
#include "CliRunner.h"
#include "HighscoreWriters.h"
#include "TestHttpServer.h"
#include "TestImage.h"
#include "formats/UploadData.h"
#include "profile/Settings.h"
#include "publish/PublishRun.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#endif

namespace {

const QByteArray kTrivia = writers::SignedTableText(
    9, 1, "Trivia Blitz",
    {{"Tobias", 1020, "Round: 11"}, {"Mira", 870, "Round: 9"}, {"Jonas", 400, ""}});

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_image.AddFile("\\Storage\\Program Files\\Trivia Blitz\\HighScores.sco", kTrivia);
        m_environment.insert("XDG_CONFIG_HOME", m_home.path());
        m_environment.insert("XDG_CONFIG_DIRS", m_system.path());
    }
    CliRun run(const QStringList& args) const { return RunCli(args, m_environment); }

#ifdef Q_OS_UNIX
    // Runs the program with a terminal for standard input: once it asks its first question,
    // typed is typed, then the end of input. Standard error, and what the terminal showed.
    std::pair<QByteArray, QByteArray> runOnTerminal(const QStringList& args,
                                                    const QByteArray& typed) const {
        const int terminal = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        EXPECT_TRUE(terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0);
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.setStandardInputFile(QString::fromLocal8Bit(ptsname(terminal)));
        process.setReadChannel(QProcess::StandardError);
        process.start(SCORVANE_CLI_PATH, args);
        EXPECT_TRUE(process.waitForReadyRead(60000));
        EXPECT_EQ(write(terminal, typed + '\x04', size_t(typed.size() + 1)), typed.size() + 1);
        EXPECT_TRUE(process.waitForFinished(60000));
        char shown[512] = {};
        [[maybe_unused]] const auto read = ::read(terminal, shown, sizeof shown - 1);
        close(terminal);
        return {process.readAllStandardError(), shown};
    }
#endif

    QTemporaryDir m_home;
    QTemporaryDir m_system;
    TestImage m_image;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
};

TEST_F(CliTest, ScanOfTheSampleImagePrintsTheExpectedTreeAndJson) {
    for (const QString expected : {"sample-scan.json", "sample-scan.txt"}) {
        QStringList args{"scan", "--device", SCORVANE_SAMPLE_DEVICE};
        if (expected.endsWith("json"))
            args << "--json";
        const CliRun scan = run(args);
        EXPECT_EQ(scan.exitCode, 0) << scan.err.constData();
        QFile file(SCORVANE_CLI_TEST_DATA "/" + expected);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(scan.out, file.readAll()) << expected.toStdString();
    }
}

// Without a terminal the e-mail question is answered No.
TEST_F(CliTest, PublishSendsTheEntriesLeftChecked) {
    TestHttpServer server;
    const QString url = "http://" + server.hostAndPort() + "/hs/upload.php";
    ASSERT_EQ(run({"options", "--community-url", url}).exitCode, 0);
    const CliRun published = run(
        {"publish", "--device", m_image.Root(), "--yes", "--json", "--uncheck", "Trivia Blitz:1"});
    EXPECT_EQ(published.exitCode, 0) << published.err.constData();
    const QString done =
        "All your highscores were successfully published to the \"" + server.hostAndPort() + "\".";
    const QJsonObject expected{{"messages", QJsonArray{emailPromptText(), done}},
                               {"results", QJsonArray{0, 9}}};
    EXPECT_EQ(QJsonDocument::fromJson(published.out).object(), expected) << published.out.data();
    QByteArrayList sent;
    for (const RecordedRequest& request : server.requests())
        sent << request.line + ' ' + request.body;
    EXPECT_EQ(sent, QByteArrayList{"POST /hs/upload.php " +
                                   encodeBody(tableUploadData(kTrivia, {0, 2}, ""))});
}

TEST_F(CliTest, AWrongCommandLineIsExitStatus2) {
    const QList<QStringList> wrong = {
        {"frobnicate"},
        {"scan", "--bogus"},
        {"scan", "--device"},
        {"publish", "--uncheck", "no index"},
        {"publish", "--device", m_image.Root(), "--yes", "--uncheck=Trivia Blitz:3"},
        {"options", "--islands-password=x", "--islands-password-stdin"},
    };
    for (const QStringList& args : wrong) {
        const CliRun usage = run(args);
        EXPECT_EQ(usage.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_FALSE(usage.err.isEmpty()) << args.join(u' ').toStdString();
    }
}

#ifdef Q_OS_UNIX
// The islands password is kept as typed, without its line end, and a terminal does not show it;
// a profile that cannot be written is reported.
TEST_F(CliTest, OptionsKeepThePasswordAsTypedAndNotShownOrReportAProfileNotSaved) {
    const auto [err, shown] =
        runOnTerminal({"options", "--islands-password-stdin"}, " pass word \r\n");
    EXPECT_FALSE(shown.contains("pass")) << shown.data();
    EXPECT_EQ(QSettings(m_home.filePath("Zelkora/Scorvane.conf"), QSettings::IniFormat)
                  .value("Options/Skyholm_Password"),
              obfuscatePassword(" pass word "));
    ASSERT_TRUE(QDir(m_home.filePath("Zelkora")).removeRecursively());
    ASSERT_TRUE(QFile(m_home.filePath("Zelkora")).open(QIODevice::WriteOnly)); // stops every write
    const CliRun failed = run({"options", "--email=me@x"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.err.startsWith("The settings could not be saved to")) << failed.err.data();
}

// On a terminal the e-mail question takes y, yes, n, no, c or cancel in any case, asks again
// after anything else, and takes the end of input for cancel. Yes asks for the account there.
TEST_F(CliTest, TheEmailQuestionIsAnsweredOnTheTerminal) {
    TestHttpServer server;
    const QString url = "http://" + server.hostAndPort() + "/up.php";
    struct Case {
        QByteArray typed;
        int asked;
        bool account;             // the account's questions follow
        QList<QByteArray> sentTo; // the addresses of the uploads made
    };
    const Case cases[] = {
        {" Yes \nme@x\n\ns3cr3t\n", 1, true, {"me@x"}},
        {"y\n", 1, true, {}}, // the account's questions end at the end of input
        {"n\n", 1, false, {""}},
        {"NO\n", 1, false, {""}},
        {"c\n", 1, false, {}},
        {"Cancel\n", 1, false, {}},
        {"maybe\n\nn\n", 3, false, {""}},
        {"", 1, false, {}},
    };
    QByteArrayList sent;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.data());
        QFile::remove(m_home.filePath("Zelkora/Scorvane.conf"));
        ASSERT_EQ(run({"options", "--community-url", url}).exitCode, 0);
        const QByteArray err =
            runOnTerminal({"publish", "--device", m_image.Root()}, c.typed).first;
        EXPECT_EQ(err.count("[y]es, [n]o or [c]ancel? "), c.asked) << err.data();
        EXPECT_EQ(err.contains("Ludora e-mail []: "), c.account);
        for (const QByteArray& email : c.sentTo)
            sent << encodeBody(tableUploadData(kTrivia, {0, 1, 2}, email));
    }
    QByteArrayList bodies;
    for (const RecordedRequest& request : server.requests())
        bodies << request.body;
    EXPECT_EQ(bodies, sent);
}
#endif

} // namespace
