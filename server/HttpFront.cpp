#include "server/HttpFront.h"

#include "server/Site.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>

namespace {

// A listening socket that puts a guard on each connection before QHttpServer sees it.
class GuardedServer : public QTcpServer {
public:
    GuardedServer(std::function<void(QTcpSocket*)> watch, QObject* parent)
        : QTcpServer(parent), watch(std::move(watch)) {}

    QTcpSocket* nextPendingConnection() override {
        QTcpSocket* socket = QTcpServer::nextPendingConnection();
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

bool HttpFront::Accept(qintptr listeningSocket) {
    auto* server = new GuardedServer([this](QTcpSocket* socket) { Watch(socket); }, this);
    if (!server->setSocketDescriptor(listeningSocket)) {
        delete server;
        return false;
    }
    listener = server;
    bind(server);
    return true;
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
