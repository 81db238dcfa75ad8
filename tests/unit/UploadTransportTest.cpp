// The HTTP upload against a server the test runs on 127.0.0.1: the request byte for byte, the
// reply codes, and every way the exchange can go wrong.
#include "TestHttpServer.h"
#include "publish/PublishResult.h"
#include "publish/UploadBody.h"
#include "publish/UploadSource.h"
#include "scores/HighscoreSource.h"
#include "ui/Settings.h"

#include <QSslSocket>
#include <gtest/gtest.h>
#include <thread>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

const QByteArray kPrefix = "Highscores(7hT2xK9m4Rd):";
const std::string kTable = "Zelk Vondrel|1|1\nAnn|1200|Level: 7\n0123456789abcdef0123456789abcdef";

std::unique_ptr<CHighscoreSource> TableSource() {
    auto source = std::make_unique<CHighscoreSource>(nullptr, kHighscoreSalt, "vondrel", 25);
    source->data.Append(kTable);
    source->data.AppendByte(0);
    source->AddChosen(0);
    source->AddChosen(1);
    return source;
}

CSettings SettingsFor(const std::string& scriptUrl) {
    CSettings settings;
    settings.community.SetScriptUrl(scriptUrl);
    settings.community.SetPort(settings.community.secure ? 443 : 80);
    settings.community.SetEmail("me@ludora.example");
    return settings;
}

UploadOptions ShortTimeout() {
    UploadOptions options;
    options.transferTimeoutMs = 300;
    return options;
}

TEST(Upload, PostsTheEncodedTableToTheScript) {
    TestHttpServer server;
    server.SetResponse(TestResponse::Reply(kPrefix + "0\n"));
    auto source = TableSource();
    const CSettings settings = SettingsFor("http://" + server.HostAndPort() + "/hs/up.php");
    ASSERT_EQ(UploadSource(*source, settings), UPLOAD_OK);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const RecordedRequest& request = requests[0];
    const std::string data = kTable + "\n0,1:me@ludora.example";
    const std::string encoded = EncodeBody(data);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/hs/up.php");
    EXPECT_EQ(request.version, "HTTP/1.1");
    EXPECT_EQ(request.body.toStdString(), encoded);
    EXPECT_EQ(request.Header("Content-Type"), "multipart/form-data");
    EXPECT_EQ(request.HeaderCount("Content-Type"), 1);
    EXPECT_EQ(request.Header("Content-Length"), QByteArray::number(qsizetype(encoded.size())));
    EXPECT_EQ(request.Header("User-Agent"), "Scorvane");
    EXPECT_EQ(request.Header("Host"), QByteArray::fromStdString(server.HostAndPort()));
    EXPECT_EQ(request.HeaderCount("Cookie"), 0);
    EXPECT_EQ(request.HeaderCount("Authorization"), 0);
}

TEST(Upload, ServerRepliesBecomeResultCodes) {
    TestHttpServer server;
    // The reply line decides, whatever the status; the line's rules are in ReplyTest.
    server.QueueResponses({
        TestResponse::Reply(kPrefix + "6\n"),
        TestResponse::Reply(""),
        TestResponse::Reply(kPrefix + "2", "500 Internal Server Error"),
        TestResponse::Reply("<html>Not Found</html>", "404 Not Found"),
    });
    auto source = TableSource();
    const CSettings settings = SettingsFor(server.HostAndPort() + "/up.php");
    for (int expected :
         {UPLOAD_BAD_SIGNATURE, UPLOAD_REQUEST_FAILED, UPLOAD_DB_BUSY, UPLOAD_REQUEST_FAILED})
        EXPECT_EQ(UploadSource(*source, settings), expected);
    EXPECT_EQ(server.Requests().size(), 4u);
}

TEST(Upload, NothingToSendMakesNoConnection) {
    TestHttpServer server;
    CHighscoreSource empty(nullptr, kHighscoreSalt, "vondrel", 25);
    empty.AddChosen(0);
    EXPECT_EQ(UploadSource(empty, SettingsFor(server.HostAndPort() + "/up.php")),
              UPLOAD_NOTHING_TO_SEND);
    EXPECT_EQ(server.Connections(), 0);
}

TEST(Upload, UnusableServerTextsGetNoConnection) {
    TestHttpServer server;
    auto source = TableSource();
    for (const std::string& server_text :
         {std::string(), std::string("bad host"),
          std::string("user:pw@127.0.0.1:") + std::to_string(server.Port()),
          std::string("127.0.0.1:99999"), std::string("127.0.0.1:0"), std::string("127.0.0.1?x")}) {
        CSettings settings = SettingsFor("x/up.php");
        settings.community.server = server_text;
        EXPECT_EQ(UploadSource(*source, settings), UPLOAD_NO_CONNECTION) << server_text;
    }
    EXPECT_EQ(server.Connections(), 0);
}

TEST(Upload, ScriptPathKeepsItsQueryAndAnEmptyPathAsksForTheRoot) {
    TestHttpServer server;
    auto source = TableSource();
    EXPECT_EQ(UploadSource(*source, SettingsFor(server.HostAndPort() + "/up.php?game=1&x=y")),
              UPLOAD_OK);
    EXPECT_EQ(UploadSource(*source, SettingsFor(server.HostAndPort())), UPLOAD_OK);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/up.php?game=1&x=y");
    EXPECT_EQ(requests[1].target, "/");
}

TEST(Upload, RefusedConnectionIsRequestFailed) {
    const quint16 port = UnusedLocalPort();
    ASSERT_NE(port, 0);
    auto source = TableSource();
    EXPECT_EQ(UploadSource(*source, SettingsFor("127.0.0.1:" + std::to_string(port) + "/up.php"),
                           ShortTimeout()),
              UPLOAD_REQUEST_FAILED);
}

TEST(Upload, SilentServerEndsAfterTheTransferTimeout) {
    TestHttpServer server;
    server.SetResponse(TestResponse::Silent());
    auto source = TableSource();
    EXPECT_EQ(UploadSource(*source, SettingsFor(server.HostAndPort() + "/up.php"), ShortTimeout()),
              UPLOAD_REQUEST_FAILED);
}

TEST(Upload, ReplyCutOffMidwayIsRequestFailed) {
    TestHttpServer server;
    server.SetResponse(TestResponse::CloseMidReply(kPrefix + "0\n", 1000));
    auto source = TableSource();
    EXPECT_EQ(UploadSource(*source, SettingsFor(server.HostAndPort() + "/up.php")),
              UPLOAD_REQUEST_FAILED);
}

TEST(Upload, RedirectsAreNotFollowed) {
    TestHttpServer server;
    const QByteArray elsewhere =
        QByteArray("http://") + QByteArray::fromStdString(server.HostAndPort()) + "/other.php";
    server.QueueResponses({TestResponse::Redirect(elsewhere, kPrefix + "0\n")});
    auto source = TableSource();
    EXPECT_EQ(UploadSource(*source, SettingsFor(server.HostAndPort() + "/up.php")),
              UPLOAD_REQUEST_FAILED);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/up.php");
}

TEST(Upload, OnlyTheStartOfAHugeReplyCounts) {
    TestHttpServer server;
    server.QueueResponses({TestResponse::Huge(kPrefix + "0\n", 1 << 20),
                           TestResponse::Huge("<html>", 1 << 20),
                           TestResponse::Huge(QByteArray(99, ' ') + kPrefix + "0", 1 << 20)});
    auto source = TableSource();
    const CSettings settings = SettingsFor(server.HostAndPort() + "/up.php");
    EXPECT_EQ(UploadSource(*source, settings), UPLOAD_OK);
    EXPECT_EQ(UploadSource(*source, settings), UPLOAD_REQUEST_FAILED);
    EXPECT_EQ(UploadSource(*source, settings), UPLOAD_REQUEST_FAILED);
}

TEST(Upload, WorksOnAThreadQtDidNotStart) {
    TestHttpServer server;
    server.QueueResponses({TestResponse::Reply(kPrefix + "0"), TestResponse::Silent()});
    auto source = TableSource();
    const CSettings settings = SettingsFor(server.HostAndPort() + "/up.php");
    int first = -1;
    int second = -1;
    std::thread worker([&] {
        first = UploadSource(*source, settings);
        second = UploadSource(*source, settings, ShortTimeout()); // the timer works there too
    });
    worker.join();
    EXPECT_EQ(first, UPLOAD_OK);
    EXPECT_EQ(second, UPLOAD_REQUEST_FAILED);
}

class TlsUpload : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QSslSocket::supportsSsl())
            GTEST_SKIP() << "no TLS backend";
    }
};

TEST_F(TlsUpload, HttpsScriptUrlUploadsOverTls) {
#ifdef Q_OS_WIN
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
        GTEST_SKIP() << "Wine's Schannel fails to decrypt what it serves to itself";
#endif
    const QSslConfiguration tls = TestServerTlsConfiguration();
    TestHttpServer server(&tls);
    server.SetResponse(TestResponse::Reply(kPrefix + "0\n"));
    auto source = TableSource();
    const CSettings settings = SettingsFor("https://" + server.HostAndPort() + "/up.php");
    UploadOptions options;
    options.caCertificates = {TestServerCertificate()};
    ASSERT_EQ(UploadSource(*source, settings, options), UPLOAD_OK);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/up.php");
    EXPECT_EQ(requests[0].body.toStdString(), EncodeBody(kTable + "\n0,1:me@ludora.example"));
}

TEST_F(TlsUpload, CertificateErrorIsRequestFailed) {
    const QSslConfiguration tls = TestServerTlsConfiguration();
    TestHttpServer server(&tls);
    auto source = TableSource();
    // The certificate is not trusted here.
    EXPECT_EQ(UploadSource(*source, SettingsFor("https://" + server.HostAndPort() + "/up.php"),
                           ShortTimeout()),
              UPLOAD_REQUEST_FAILED);
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(TlsUpload, HttpsAgainstAPlainServerIsRequestFailed) {
    TestHttpServer server;
    auto source = TableSource();
    EXPECT_EQ(UploadSource(*source, SettingsFor("https://" + server.HostAndPort() + "/up.php"),
                           ShortTimeout()),
              UPLOAD_REQUEST_FAILED);
    EXPECT_TRUE(server.Requests().empty());
}

} // namespace
