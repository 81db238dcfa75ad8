#pragma once

// A small HTTP server on 127.0.0.1 with a free port, on its own thread, for tests of the
// upload. It records every request (method, target, headers, body, the raw bytes) and answers
// with a configured response: a reply, silence, a reply cut off midway, a redirect, a huge
// reply. With a TLS configuration it speaks HTTPS.

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QString>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

class QThread;
class TestHttpServerWorker;

struct RecordedRequest {
    QByteArray method;
    QByteArray target; // as on the request line
    QByteArray version;
    QList<std::pair<QByteArray, QByteArray>> headers; // in order, as sent
    QByteArray body;
    QByteArray raw; // the whole request as received

    // The value of the first header of that name (any case); empty when there is none.
    QByteArray Header(const QByteArray& name) const;
    int HeaderCount(const QByteArray& name) const;
};

struct TestResponse {
    QByteArray bytes;    // written as they are, then the connection is closed
    bool silent = false; // reads the request and never answers

    // "HTTP/1.1 <status>" with Content-Length and the body.
    static TestResponse Reply(const QByteArray& body, const QByteArray& status = "200 OK");
    static TestResponse Silent();
    // Announces declaredLength body bytes, sends only start, then closes.
    static TestResponse CloseMidReply(const QByteArray& start, int declaredLength);
    static TestResponse Redirect(const QByteArray& location, const QByteArray& body);
    // start, padded with "x" to size bytes of body.
    static TestResponse Huge(const QByteArray& start, qsizetype size);
};

// The server's certificate and key for HTTPS tests (self-signed for 127.0.0.1 and localhost).
QSslCertificate TestServerCertificate();
QSslConfiguration TestServerTlsConfiguration();

class TestHttpServer {
public:
    // Plain HTTP, or HTTPS with the given configuration.
    explicit TestHttpServer(const QSslConfiguration* tls = nullptr);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    quint16 Port() const { return port; }
    // "127.0.0.1:<port>", as a server setting.
    std::string HostAndPort() const;

    // The answer to every request not covered by QueueResponses.
    void SetResponse(const TestResponse& response);
    // Answers for the next requests, in order.
    void QueueResponses(const std::vector<TestResponse>& responses);

    std::vector<RecordedRequest> Requests() const;
    int Connections() const;

    // Called on the server's thread.
    TestResponse NextResponse();
    void Record(const RecordedRequest& request);
    void CountConnection();

private:
    mutable QMutex mutex;
    TestResponse fallback;
    std::deque<TestResponse> queued;
    std::vector<RecordedRequest> requests;
    int connections = 0;
    quint16 port = 0;
    std::unique_ptr<QThread> thread;
    TestHttpServerWorker* worker = nullptr;
};

// A port on 127.0.0.1 that nothing listens on (it was free a moment ago).
quint16 UnusedLocalPort();
