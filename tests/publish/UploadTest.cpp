// The HTTP upload against a server the test runs on 127.0.0.1: the request as sent, the reply
// and every way the exchange can go wrong, the stop, TLS; the result codes and their texts.
#include "TestHttpServer.h"

#include "formats/UploadData.h"
#include "publish/Upload.h"

#include <QDeadlineTimer>
#include <QSslSocket>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

namespace {

const QByteArray kPrefix = "Highscores(7hT2xK9m4Rd):";
const QByteArray kData = "Zelk Vondrel|1|1\nAnn|1200|Level: 7\n0123456789abcdef\n0,1:me@x.example";

DestinationSettings destination(const QString& scriptUrl) {
    DestinationSettings settings;
    settings.setScriptUrl(scriptUrl);
    return settings;
}

UploadOptions shortTimeout() {
    UploadOptions options;
    options.transferTimeout = std::chrono::milliseconds(300);
    return options;
}

TEST(Upload, PostsTheEncodedDataToTheScript) {
    TestHttpServer server;
    ASSERT_EQ(postUpload(destination(server.hostAndPort() + "/hs/up.php"), kData),
              UploadResult::Ok);
    const QList<RecordedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 1);
    const RecordedRequest& request = requests[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/hs/up.php");
    EXPECT_EQ(request.body, encodeBody(kData));
    EXPECT_EQ(request.header("Content-Type"), QList<QByteArray>{"multipart/form-data"});
    EXPECT_EQ(request.header("Content-Length"), QList{QByteArray::number(request.body.size())});
    EXPECT_EQ(request.header("User-Agent"), QList<QByteArray>{"Scorvane"});
    EXPECT_EQ(request.header("Host"), QList{server.hostAndPort().toLatin1()});
    EXPECT_TRUE(request.header("Cookie").isEmpty());
    EXPECT_TRUE(request.header("Authorization").isEmpty());
}

TEST(Upload, TheReplyLineDecidesWhateverTheStatus) {
    struct Case {
        const char* what;
        TestResponse response;
        UploadResult expected;
    };
    const QByteArray redirect = "Location: http://127.0.0.1:1/other.php\r\n";
    const Case cases[] = {
        {"accepted", TestResponse::reply(kPrefix + "0\n"), UploadResult::Ok},
        {"a reply number", TestResponse::reply(kPrefix + "6"), UploadResult::BadSignature},
        {"an empty reply", TestResponse::reply(""), UploadResult::RequestFailed},
        {"an error status with a reply", TestResponse::reply(kPrefix + "2", "500 Server Error"),
         UploadResult::DatabaseBusy},
        {"an error page", TestResponse::reply("<html>Not Found</html>", "404 Not Found"),
         UploadResult::RequestFailed},
        {"a redirect, not followed", TestResponse::reply(kPrefix + "0", "302 Found", redirect),
         UploadResult::RequestFailed},
        {"cut off midway", TestResponse::reply(kPrefix + "0\n", "200 OK", {}, 1000),
         UploadResult::RequestFailed},
        {"a huge reply", TestResponse::reply(kPrefix + "0\n" + QByteArray(1 << 20, 'x')),
         UploadResult::Ok},
        {"a huge page",
         TestResponse::reply(QByteArray(99, ' ') + kPrefix + "0" + QByteArray(1 << 20, 'x')),
         UploadResult::RequestFailed},
        {"silence", TestResponse::silence(), UploadResult::RequestFailed},
    };
    TestHttpServer server;
    for (const Case& c : cases) {
        server.queue({c.response});
        EXPECT_EQ(postUpload(destination(server.hostAndPort() + "/up.php"), kData, shortTimeout()),
                  c.expected)
            << c.what;
    }
    EXPECT_EQ(server.requests().size(), qsizetype(std::size(cases))) << "one request each";
}

TEST(Upload, UnusableServerNamesMakeNoConnection) {
    TestHttpServer server;
    const QString port = server.hostAndPort().section(u':', 1);
    for (const QString& name : {QString(), QStringLiteral("bad host"), "user:pw@127.0.0.1:" + port,
                                QStringLiteral("127.0.0.1:99999"), QStringLiteral("127.0.0.1:0"),
                                QStringLiteral("127.0.0.1?x")}) {
        DestinationSettings settings = destination(QStringLiteral("x/up.php"));
        settings.server = name;
        EXPECT_EQ(postUpload(settings, kData), UploadResult::NoConnection) << name.toStdString();
    }
    EXPECT_EQ(server.connections(), 0);
}

TEST(Upload, TheScriptPathKeepsItsQueryAndAnEmptyOneAsksForTheRoot) {
    TestHttpServer server;
    EXPECT_EQ(postUpload(destination(server.hostAndPort() + "/up.php?game=1&x=y"), kData),
              UploadResult::Ok);
    EXPECT_EQ(postUpload(destination(server.hostAndPort()), kData), UploadResult::Ok);
    const QList<RecordedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].target, "/up.php?game=1&x=y");
    EXPECT_EQ(requests[1].target, "/");
}

TEST(Upload, ARefusedConnectionFails) {
    const quint16 port = unusedLocalPort();
    ASSERT_NE(port, 0);
    EXPECT_EQ(postUpload(destination(QStringLiteral("127.0.0.1:%1/up.php").arg(port)), kData,
                         shortTimeout()),
              UploadResult::RequestFailed);
}

TEST(Upload, WorksOnAThreadQtDidNotStart) {
    TestHttpServer server;
    server.queue({TestResponse::reply(kPrefix + "0"), TestResponse::silence()});
    const DestinationSettings settings = destination(server.hostAndPort() + "/up.php");
    UploadResult first = UploadResult::Stopped;
    UploadResult second = UploadResult::Stopped;
    std::thread worker([&] {
        first = postUpload(settings, kData);
        second = postUpload(settings, kData, shortTimeout()); // its timer works there too
    });
    worker.join();
    EXPECT_EQ(first, UploadResult::Ok);
    EXPECT_EQ(second, UploadResult::RequestFailed);
}

// A stop from another thread ends an upload that the server never answers, long before its
// transfer timeout; a stop asked for before makes no connection at all.
TEST(Upload, AStopAbandonsTheExchangeAtOnce) {
    TestHttpServer server;
    server.setResponse(TestResponse::silence());
    const DestinationSettings settings = destination(server.hostAndPort() + "/up.php");
    std::stop_source stop;
    UploadOptions options;
    options.stop = stop.get_token();
    options.transferTimeout = std::chrono::minutes(10);
    UploadResult result = UploadResult::Ok;
    std::thread worker([&] { result = postUpload(settings, kData, options); });
    const QDeadlineTimer deadline(30000);
    while (server.requests().isEmpty() && !deadline.hasExpired())
        QThread::msleep(10);
    stop.request_stop();
    worker.join();
    EXPECT_EQ(result, UploadResult::Stopped);

    EXPECT_EQ(postUpload(settings, kData, options), UploadResult::Stopped);
    EXPECT_EQ(server.connections(), 1);
}

class TlsUpload : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QSslSocket::supportsSsl())
            GTEST_SKIP() << "no TLS backend";
    }
};

TEST_F(TlsUpload, AnHttpsScriptIsUploadedToOverTls) {
    const QSslConfiguration tls = testServerTls();
    TestHttpServer server(&tls);
    UploadOptions options;
    options.caCertificates = {testServerCertificate()};
    ASSERT_EQ(
        postUpload(destination("https://" + server.hostAndPort() + "/up.php"), kData, options),
        UploadResult::Ok);
    const QList<RecordedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].body, encodeBody(kData));
}

TEST_F(TlsUpload, AnUntrustedCertificateOrAPlainServerFails) {
    const QSslConfiguration tls = testServerTls();
    TestHttpServer secure(&tls);
    TestHttpServer plain;
    for (const TestHttpServer* server : {&secure, &plain}) {
        EXPECT_EQ(postUpload(destination("https://" + server->hostAndPort() + "/up.php"), kData,
                             shortTimeout()),
                  UploadResult::RequestFailed);
        EXPECT_TRUE(server->requests().isEmpty());
    }
}

TEST(UploadResults, ReplyNumbersMapAsTheSitesDefineThem) {
    const UploadResult expected[] = {
        UploadResult::Ok,
        UploadResult::BadData,
        UploadResult::DatabaseBusy,
        UploadResult::InsertFailed,
        UploadResult::UnknownGame,
        UploadResult::BadData,
        UploadResult::BadSignature,
        UploadResult::UserNotFound,
        UploadResult::BadPassword,
        UploadResult::BadEmail,
        UploadResult::TryLater,
        UploadResult::ServerInternal,
        UploadResult::IslandCompleted,
    };
    for (qint32 n = 0; n <= 12; ++n)
        EXPECT_EQ(resultForReply(n), expected[n]) << n;
    for (qint32 n : {13, 100, -1, std::numeric_limits<qint32>::min()})
        EXPECT_EQ(resultForReply(n), UploadResult::Unrecognized) << n;
}

// One row per kind of text: what each names, and the fallback.
TEST(UploadResults, TextsNameTheServerThePathOrTheTitle) {
    DestinationSettings site = destination(QStringLiteral("ludora.example/hs/up.php"));
    const QString failed = QStringLiteral("Error publishing %1 highscores.\n");
    const std::pair<UploadResult, QString> cases[] = {
        {UploadResult::Ok, QStringLiteral("All your highscores were successfully published to the "
                                          "\"ludora.example\".")},
        {UploadResult::NoConnection,
         failed + QStringLiteral("Server reports: Invalid server name: \"ludora.example\".")},
        {UploadResult::RequestFailed,
         failed + QStringLiteral("Server reports: Invalid server/script path: "
                                 "\"ludora.example/hs/up.php\".\nCheck Tools/Options.")},
        {UploadResult::IslandCompleted,
         failed + QStringLiteral("Please do not use old settings.ino file for your new islands! "
                                 "Your current island have the same ID as one of completed "
                                 "islands, so we can't upload it into %1.")},
        {UploadResult::NothingUploaded,
         QStringLiteral("No highscores selected for uploading to server \"ludora.example\".")},
        {UploadResult::Stopped, QStringLiteral("Publishing was stopped.")},
        {UploadResult::NothingToSend,
         failed + QStringLiteral("Server reports: Unexpected error occured.\nPlease try again "
                                 "later.")},
    };
    const QString title = QStringLiteral("Zelk %1 %s");
    for (const auto& [result, text] : cases)
        EXPECT_EQ(publishResultText(result, title, site), QString(text).replace("%1", title))
            << int(result);
    EXPECT_EQ(publishResultText(UploadResult::DatabaseBusy, title, site),
              publishResultText(UploadResult::TryLater, title, site));
}

} // namespace
