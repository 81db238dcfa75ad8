#include "TestHttpServer.h"

#include <QFile>
#include <QSslKey>
#include <QSslServer>
#include <QThread>

namespace {

// The block of that name in the server's certificate and key file (the certificate is valid
// from 2000 to 2199, for 127.0.0.1 and localhost).
QByteArray serverPem(const QByteArray& block) {
    QFile file(QStringLiteral(SCORVANE_TEST_SERVER_PEM));
    const QByteArray pem = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return pem.mid(pem.indexOf("-----BEGIN " + block));
}

// The request at the start of buffer once it is complete.
std::optional<RecordedRequest> parseRequest(const QByteArray& buffer) {
    const qsizetype lineEnd = buffer.indexOf("\r\n"), headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return std::nullopt;
    RecordedRequest request{buffer.left(lineEnd).chopped(9), // " HTTP/1.1"
                            buffer.mid(lineEnd + 2, headEnd - lineEnd), buffer.mid(headEnd + 4)};
    if (request.body.size() < request.header("Content-Length").value(0).toLongLong())
        return std::nullopt;
    return request;
}

} // namespace

QList<QByteArray> RecordedRequest::header(const QByteArray& name) const {
    QList<QByteArray> values;
    for (const QByteArray& line : head.split('\n'))
        if (line.toLower().startsWith(name.toLower() + ':'))
            values.append(line.mid(name.size() + 1).trimmed());
    return values;
}

QByteArray httpReply(const QByteArray& body, const QByteArray& status,
                     const QByteArray& extraHeaders, qsizetype declared) {
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/html\r\n" + extraHeaders +
           "Content-Length: " + QByteArray::number(declared < 0 ? body.size() : declared) +
           "\r\nConnection: close\r\n\r\n" + body;
}

QSslCertificate testServerCertificate() {
    return QSslCertificate(serverPem("CERTIFICATE"), QSsl::Pem);
}

QSslConfiguration testServerTls() {
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(testServerCertificate());
    tls.setPrivateKey(QSslKey(serverPem("PRIVATE KEY"), QSsl::Ec, QSsl::Pem));
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return tls;
}

TestHttpServer::TestHttpServer(const QSslConfiguration* tls)
    : m_reply(httpReply("Highscores(7hT2xK9m4Rd):0\n")) {
    // The server and its sockets live on the thread, under a context that goes with it.
    auto* context = new QObject;
    context->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, context, &QObject::deleteLater);
    m_thread.start();
    QMetaObject::invokeMethod(
        context,
        [this, context, tls] {
            QTcpServer* server = tls ? new QSslServer(context) : new QTcpServer(context);
            if (tls)
                static_cast<QSslServer*>(server)->setSslConfiguration(*tls);
            QObject::connect(server, &QTcpServer::pendingConnectionAvailable, server, [=, this] {
                while (QTcpSocket* socket = server->nextPendingConnection()) {
                    auto buffer = std::make_shared<QByteArray>();
                    auto read = [=, this] {
                        *buffer += socket->readAll();
                        const auto request = parseRequest(*buffer);
                        if (!request)
                            return;
                        buffer->clear();
                        QMutexLocker lock(&m_mutex);
                        m_requests.append(*request);
                        if (!m_reply.isEmpty()) {
                            socket->write(m_reply);
                            socket->disconnectFromHost();
                        }
                    };
                    QObject::connect(socket, &QTcpSocket::readyRead, socket, read);
                    read();
                }
            });
            if (server->listen(QHostAddress::LocalHost, 0))
                m_port = server->serverPort();
        },
        Qt::BlockingQueuedConnection);
}

quint16 unusedLocalPort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}
