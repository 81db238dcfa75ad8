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

const QByteArray kTrivia = writers::SignedTableText(
    9, 1, "Trivia Blitz",
    {{"Tobias", 1020, "Round: 11"}, {"Mira", 870, "Round: 9"}, {"Jonas", 400, ""}});

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_image.AddFile(QStringLiteral("\\Storage\\Program Files\\Trivia Blitz\\HighScores.sco"),
                        kTrivia);
    }
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
    void setScriptUrl(const char* option, const QString& url) const {
        ASSERT_EQ(run({QStringLiteral("options"), QLatin1String(option), url}).exitCode, 0);
    }

#ifdef Q_OS_UNIX
    struct TerminalRun {
        QByteArray err;   // standard error
        QByteArray shown; // what the terminal echoed
    };
    // Runs the program with a terminal for its standard input. Each step waits until standard
    // error shows its prompt, then types its text; then the terminal says end of input.
    TerminalRun runOnTerminal(const QStringList& args,
                              const QList<std::pair<QByteArray, QByteArray>>& steps) const {
        TerminalRun result;
        const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_TRUE(terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0);
        QProcess process;
        process.setProcessEnvironment(environment());
        process.setStandardInputFile(QString::fromLocal8Bit(ptsname(terminal)));
        process.setReadChannel(QProcess::StandardError);
        process.start(QStringLiteral(SCORVANE_CLI_PATH), args);
        for (const auto& [prompt, typed] : steps) {
            for (QDeadlineTimer deadline(60000);
                 !result.err.contains(prompt) && !deadline.hasExpired();) {
                process.waitForReadyRead(100);
                result.err += process.readAllStandardError();
            }
            EXPECT_TRUE(result.err.contains(prompt)) << result.err.data();
            EXPECT_EQ(write(terminal, typed.data(), size_t(typed.size())), typed.size());
        }
        EXPECT_EQ(write(terminal, "\x04", 1), 1); // Ctrl+D at the start of a line
        EXPECT_TRUE(process.waitForFinished(60000));
        result.err += process.readAllStandardError();
        fcntl(terminal, F_SETFL, O_NONBLOCK);
        char buffer[256];
        for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;)
            result.shown.append(buffer, n);
        close(terminal);
        return result;
    }
#endif

    QTemporaryDir m_home;
    QTemporaryDir m_system;
    TestImage m_image;
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
        QFile file(QStringLiteral(SCORVANE_CLI_TEST_DATA "/") + expected);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(scan.out, file.readAll()) << expected;
    }
}

TEST_F(CliTest, PublishSendsTheEntriesLeftCheckedAndAnswersNoWithoutATerminal) {
    TestHttpServer server;
    ASSERT_NO_FATAL_FAILURE(setScriptUrl(
        "--community-url", QStringLiteral("http://%1/hs/upload.php").arg(server.hostAndPort())));
    const QStringList publish{QStringLiteral("publish"), QStringLiteral("--device"), m_image.Root(),
                              QStringLiteral("--yes"), QStringLiteral("--json")};

    EXPECT_EQ(run(publish + QStringList{QStringLiteral("--uncheck=Trivia Blitz:3")}).exitCode, 2)
        << "an entry the tree does not show";
    EXPECT_TRUE(server.requests().isEmpty());

    // No e-mail address: the question is answered No.
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
    EXPECT_EQ(requests[0].line, "POST /hs/upload.php");
    EXPECT_EQ(requests[0].body, encodeBody(tableUploadData(kTrivia, {0, 2}, "")));
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
// On a terminal the e-mail question takes y, yes, n, no, c or cancel in any case, asks again
// after anything else, and takes the end of input for cancel. Yes asks for the account there,
// the password without echo.
TEST_F(CliTest, TheEmailQuestionIsAnsweredOnTheTerminal) {
    TestHttpServer server;
    const QString url = QStringLiteral("http://%1/up.php").arg(server.hostAndPort());
    const QByteArray question = "[y]es, [n]o or [c]ancel? ";
    const QByteArray password = "Zelk Skyholm password []: ";
    struct Case {
        QList<std::pair<QByteArray, QByteArray>> steps; // a prompt and what is typed at it
        int asked;
        bool account;             // the account's questions follow
        QList<QByteArray> sentTo; // the addresses of the uploads made
    };
    const Case cases[] = {
        {{{question, " Yes \nme@x.example\n\n"}, {password, "s3cr3t-pw\n"}},
         1,
         true,
         {"me@x.example"}},
        {{{question, "y\n"}}, 1, true, {}}, // the account's questions end at the end of input
        {{{question, "n\n"}}, 1, false, {""}},
        {{{question, "NO\n"}}, 1, false, {""}},
        {{{question, "c\n"}}, 1, false, {}},
        {{{question, "Cancel\n"}}, 1, false, {}},
        {{{question, "maybe\n\nn\n"}}, 3, false, {""}},
        {{{question, ""}}, 1, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.steps[0].second.data());
        QFile::remove(m_home.filePath(QStringLiteral("Zelkora/Scorvane.conf")));
        ASSERT_NO_FATAL_FAILURE(setScriptUrl("--community-url", url));
        const qsizetype before = server.requests().size();
        const TerminalRun terminal = runOnTerminal(
            {QStringLiteral("publish"), QStringLiteral("--device"), m_image.Root()}, c.steps);
        EXPECT_EQ(terminal.err.count(question), c.asked) << terminal.err.data();
        EXPECT_EQ(terminal.err.contains("Ludora e-mail []: "), c.account);
        QList<QByteArray> sentTo, bodies;
        for (const QByteArray& email : c.sentTo)
            sentTo << encodeBody(tableUploadData(kTrivia, {0, 1, 2}, email));
        for (const RecordedRequest& request : server.requests().mid(before))
            bodies << request.body;
        EXPECT_EQ(bodies, sentTo);
        if (c.steps.size() > 1) { // the address typed is echoed, the password not
            EXPECT_TRUE(terminal.shown.contains("me@x.example")) << terminal.shown.data();
            EXPECT_FALSE(terminal.shown.contains("s3cr3t-pw")) << terminal.shown.data();
            EXPECT_EQ(stored("Skyholm_Password"), obfuscatePassword(QStringLiteral("s3cr3t-pw")));
        }
    }
}
#endif

} // namespace
