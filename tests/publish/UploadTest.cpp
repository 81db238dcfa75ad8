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
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

const QByteArray kPrefix = "Highscores(7hT2xK9m4Rd):";
const QByteArray kData = "Zelk Vondrel|1|1\nAnn|1200|Level: 7\n0123456789abcdef\n0,1:me@x.example";

DestinationSettings site(const QString& scriptUrl) {
    DestinationSettings settings;
    settings.setScriptUrl(scriptUrl);
    return settings;
}

// Long enough for any answer on this machine, short enough to wait for silence.
UploadOptions shortTimeout() {
    UploadOptions options;
    options.transferTimeout = std::chrono::seconds(2);
    return options;
}

// The request as sent, byte for byte, but for the lines that Qt adds on its own (the connection
// and the encodings and languages accepted).
TEST(Upload, PostsTheEncodedDataToTheScript) {
    TestHttpServer server;
    ASSERT_EQ(postUpload(site(server.hostAndPort() + "/hs/up.php?game=1"), kData),
              UploadResult::Ok);
    ASSERT_EQ(postUpload(site(server.hostAndPort()), kData), UploadResult::Ok);
    QByteArrayList sent;
    for (const RecordedRequest& request : server.requests()) {
        QByteArray head;
        for (const QByteArray& line : request.head.split('\n'))
            if (!line.startsWith("Accept-") && !line.startsWith("Connection:"))
                head += line + '\n';
        sent << request.line + "\r\n" + head + request.body;
    }
    const QByteArray body = encodeBody(kData);
    const QByteArray head = "Host: " + server.hostAndPort().toLatin1() +
                            "\r\nContent-Type: multipart/form-data\r\nUser-Agent: Scorvane\r\n"
                            "Content-Length: " +
                            QByteArray::number(body.size()) + "\r\n\n";
    EXPECT_EQ(sent, (QByteArrayList{"POST /hs/up.php?game=1\r\n" + head + body,
                                    "POST /\r\n" + head + body}))
        << "an empty script path asks for the root";
}

// Run on a thread that Qt did not start, where the transfer timer must work too.
TEST(Upload, TheReplyLineDecidesWhateverTheStatus) {
    const QByteArray moved = "Location: http://127.0.0.1:1/other.php\r\n";
    const std::tuple<const char*, QByteArray, UploadResult> cases[] = {
        {"a reply number", httpReply(kPrefix + "6"), UploadResult::BadSignature},
        {"an error status with a reply", httpReply(kPrefix + "2", "400 Bad Request"),
         UploadResult::DatabaseBusy},
        {"an error page", httpReply("<html>Not Found</html>", "404 Not Found"),
         UploadResult::RequestFailed},
        {"a redirect, not followed", httpReply(kPrefix + "0", "302 Found", moved),
         UploadResult::RequestFailed},
        {"cut off midway", httpReply(kPrefix + "0\n", "200 OK", {}, 1000),
         UploadResult::RequestFailed},
        {"a huge reply", httpReply(kPrefix + "0\n" + QByteArray(1 << 20, 'x')), UploadResult::Ok},
        {"a huge page", httpReply(QByteArray(99, ' ') + kPrefix + "0" + QByteArray(1 << 20, 'x')),
         UploadResult::RequestFailed},
        {"silence", QByteArray(), UploadResult::RequestFailed},
    };
    TestHttpServer server;
    std::thread worker([&] {
        for (const auto& [what, response, expected] : cases) {
            server.setReply(response);
            EXPECT_EQ(postUpload(site(server.hostAndPort() + "/up.php"), kData, shortTimeout()),
                      expected)
                << what;
        }
    });
    worker.join();
    EXPECT_EQ(server.requests().size(), qsizetype(std::size(cases))) << "one request each";
}

TEST(Upload, UnusableServersAndRefusedConnections) {
    TestHttpServer server;
    const QString port = server.hostAndPort().section(u':', 1);
    const std::pair<QString, UploadResult> cases[] = {
        {"", UploadResult::NoConnection},
        {"bad host", UploadResult::NoConnection},
        {"user:pw@127.0.0.1:" + port, UploadResult::NoConnection},
        {"127.0.0.1:99999", UploadResult::NoConnection},
        {QStringLiteral("127.0.0.1:%1").arg(unusedLocalPort()), UploadResult::RequestFailed},
    };
    for (const auto& [name, expected] : cases) {
        DestinationSettings settings = site(QStringLiteral("x/up.php"));
        settings.server = name;
        EXPECT_EQ(postUpload(settings, kData, shortTimeout()), expected) << name.toStdString();
    }
    EXPECT_TRUE(server.requests().isEmpty());
}

// A stop from another thread ends an upload that the server never answers, long before its
// transfer timeout; a stop asked for before makes no connection at all.
TEST(Upload, AStopAbandonsTheExchangeAtOnce) {
    TestHttpServer server;
    server.setReply(QByteArray());
    const DestinationSettings settings = site(server.hostAndPort() + "/up.php");
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
    EXPECT_EQ(server.requests().size(), 1);
}

TEST(Upload, AnHttpsScriptIsUploadedToOverTlsWithTheCertificatesGiven) {
    if (!QSslSocket::supportsSsl())
        GTEST_SKIP() << "no TLS backend";
#ifdef Q_OS_WIN
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
        GTEST_SKIP() << "Wine's Schannel fails to decrypt what it serves to itself";
#endif
    const QSslConfiguration tls = testServerTls();
    TestHttpServer secure(&tls);
    TestHttpServer plain;
    UploadOptions trusting;
    trusting.caCertificates = {testServerCertificate()};
    const std::tuple<const TestHttpServer*, UploadOptions, UploadResult> cases[] = {
        {&secure, trusting, UploadResult::Ok},
        {&secure, shortTimeout(), UploadResult::RequestFailed},
        {&plain, shortTimeout(), UploadResult::RequestFailed},
    };
    for (const auto& [server, options, expected] : cases)
        EXPECT_EQ(postUpload(site("https://" + server->hostAndPort() + "/up.php"), kData, options),
                  expected);
    EXPECT_EQ(secure.requests().size(), 1);
    EXPECT_EQ(secure.requests().value(0).body, encodeBody(kData));
    EXPECT_TRUE(plain.requests().isEmpty());
}

TEST(UploadResults, ReplyNumbersMapAsTheSitesDefineThem) {
    using enum UploadResult;
    QList<UploadResult> results;
    for (qint32 n : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, -1})
        results << resultForReply(n);
    EXPECT_EQ(results, (QList{Ok, BadData, DatabaseBusy, InsertFailed, UnknownGame, BadData,
                              BadSignature, UserNotFound, BadPassword, BadEmail, TryLater,
                              ServerInternal, IslandCompleted, Unrecognized, Unrecognized}));
}

// The texts that name the server and path (the others are pinned by the publish run's tests).
TEST(UploadResults, AFailedRequestNamesTheServerAndPath) {
    EXPECT_EQ(publishResultText(UploadResult::RequestFailed, "Zelk %s",
                                site(QStringLiteral("ludora.example/hs/up.php"))),
              "Error publishing Zelk %s highscores.\nServer reports: Invalid server/script path: "
              "\"ludora.example/hs/up.php\".\nCheck Tools/Options.");
}

} // namespace
