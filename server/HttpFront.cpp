#include "server/HttpFront.h"

#include "server/Site.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>

#include <unistd.h>

namespace {

// Hands QHttpServer the connections given to this thread, each with a guard. It holds a copy
// of the listening socket, so that QHttpServer takes it for a listening server, but never
// accepts on it: the server's one acceptor deals the connections out to the threads.
class HandingServer : public QTcpServer {
public:
    HandingServer(std::function<void(QTcpSocket*)> watch, QObject* parent)
        : QTcpServer(parent), watch(std::move(watch)) {}

    void Hand(QTcpSocket* socket) { addPendingConnection(socket); }

    QTcpSocket* nextPendingConnection() override {
        QTcpSocket* socket = QTcpServer::nextPendingConnection();
        pauseAccepting(); // which taking a connection resumes
        if (socket)
            watch(socket);
        return socket;
    }

private:
    std::function<void(QTcpSocket*)> watch;
};

} // namespace

HttpFront::HttpFront(Site& site, const ConnectionLimits& limits, QObject* parent)
    : QAbstractHttpServer(parent), site(site), limits(limits) {}

bool HttpFront::Start(qintptr listeningCopy) {
    auto* server = new HandingServer([this](QTcpSocket* socket) { Watch(socket); }, this);
    if (!server->setSocketDescriptor(listeningCopy)) {
        delete server;
        return false;
    }
    server->pauseAccepting();
    listener = server;
    bind(server);
    return true;
}

void HttpFront::Adopt(qintptr connection) {
    auto* socket = new QTcpSocket(listener);
    if (!listener || !socket->setSocketDescriptor(connection)) {
        delete socket;
        ::close(int(connection));
        return;
    }
    static_cast<HandingServer*>(listener.data())->Hand(socket);
}

void HttpFront::Watch(QTcpSocket* socket) {
    auto* guard = new ConnectionGuard(socket, limits);
    guards.append(guard);
    connect(guard, &QObject::destroyed, this, &HttpFront::ConnectionGone, Qt::QueuedConnection);
    if (draining)
        guard->Drain();
}

void HttpFront::ConnectionGone() {
    guards.removeAll(nullptr);
    if (draining && guards.isEmpty())
        Q_EMIT drained();
}

void HttpFront::Drain() {
    draining = true;
    if (listener)
        listener->close();
    for (const QPointer<ConnectionGuard>& guard : std::as_const(guards)) {
        if (guard)
            guard->Drain();
    }
    ConnectionGone();
}

bool HttpFront::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    const HttpAnswer answer = site.Answer(request);
    ConnectionGuard* guard = ConnectionGuard::Of(socket);
    const bool close = !guard || guard->ClosesAfterAnswer();
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(QHttpServerResponder::StatusCode(answer.status));
    responder.writeHeader("Content-Type", answer.contentType);
    responder.writeHeader("Content-Length", QByteArray::number(answer.body.size()));
    for (const auto& [name, value] : answer.headers)
        responder.writeHeader(name, value);
    if (close)
        responder.writeHeader("Connection", "close");
    responder.writeBody(answer.body);
    if (guard)
        guard->Answered();
    else
        socket->disconnectFromHost();
    return true;
}

void HttpFront::missingHandler(const QHttpServerRequest&, QTcpSocket* socket) {
    socket->disconnectFromHost();
}
