#pragma once

// A small HTTP server on 127.0.0.1 with a free port, on a thread of its own, for tests of the
// upload. It records every request and answers each with the reply set last (at first, the
// accepted reply line). With a TLS configuration it speaks HTTPS.

#include <QMutex>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QThread>

struct RecordedRequest {
    QByteArray line; // method and target, as on the request line
    QByteArray head; // the header lines
    QByteArray body;

    // The values of the headers of that name (any case), in order.
    QList<QByteArray> header(const QByteArray& name) const;
};

// "HTTP/1.1 <status>" with Content-Length and the body (a longer declared length makes the
// reply end early); extra header lines end in "\r\n". The connection closes after a reply;
// an empty reply is silence.
QByteArray httpReply(const QByteArray& body, const QByteArray& status = "200 OK",
                     const QByteArray& extraHeaders = {}, qsizetype declared = -1);

// The server's self-signed certificate (for 127.0.0.1) and a configuration that serves it.
QSslCertificate testServerCertificate();
QSslConfiguration testServerTls();

class TestHttpServer {
public:
    explicit TestHttpServer(const QSslConfiguration* tls = nullptr);
    ~TestHttpServer() {
        m_thread.quit();
        m_thread.wait();
    }

    // "127.0.0.1:<port>", as a server setting.
    QString hostAndPort() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    void setReply(const QByteArray& reply) {
        QMutexLocker lock(&m_mutex);
        m_reply = reply;
    }
    QList<RecordedRequest> requests() const {
        QMutexLocker lock(&m_mutex);
        return m_requests;
    }

private:
    mutable QMutex m_mutex;
    QByteArray m_reply;
    QList<RecordedRequest> m_requests;
    quint16 m_port = 0;
    QThread m_thread;
};

// A port on 127.0.0.1 that nothing listens on (it was free a moment ago).
quint16 unusedLocalPort();
