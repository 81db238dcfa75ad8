#pragma once

// A small HTTP server on 127.0.0.1 with a free port, on a thread of its own, for tests of the
// upload. It records every request and answers each with the next queued response (or the
// default one). With a TLS configuration it speaks HTTPS.

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QString>
#include <memory>

class QThread;
class QTcpServer;

struct RecordedRequest {
    QByteArray method;
    QByteArray target; // as on the request line
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // The values of the headers of that name (any case), in order.
    QList<QByteArray> header(const QByteArray& name) const;
};

struct TestResponse {
    QByteArray bytes;    // written as they are, then the connection is closed
    bool silent = false; // reads the request and never answers

    // "HTTP/1.1 <status>" with Content-Length and the body (a longer declared length makes
    // the reply end early); extra header lines end in "\r\n".
    static TestResponse reply(const QByteArray& body, const QByteArray& status = "200 OK",
                              const QByteArray& extraHeaders = {}, qsizetype declared = -1);
    static TestResponse silence();
};

// The server's self-signed certificate (for 127.0.0.1) and a configuration that serves it.
QSslCertificate testServerCertificate();
QSslConfiguration testServerTls();

class TestHttpServer {
public:
    explicit TestHttpServer(const QSslConfiguration* tls = nullptr);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    // "127.0.0.1:<port>", as a server setting.
    QString hostAndPort() const;
    void setResponse(const TestResponse& response); // the answer when none is queued
    void queue(const QList<TestResponse>& responses);

    QList<RecordedRequest> requests() const;
    int connections() const;

private:
    void serve(QTcpServer* server);

    mutable QMutex m_mutex;
    TestResponse m_fallback;
    QList<TestResponse> m_queued;
    QList<RecordedRequest> m_requests;
    int m_connections = 0;
    quint16 m_port = 0;
    std::unique_ptr<QThread> m_thread;
};

// A port on 127.0.0.1 that nothing listens on (it was free a moment ago).
quint16 unusedLocalPort();
