#pragma once

// The HTTP side of one server thread: QHttpServer's parser and responder, a guard on every
// connection (ConnectionGuard), and the site's answers.

#include "server/ConnectionGuard.h"

#include <QAbstractHttpServer>
#include <QPointer>
#include <QTcpServer>

class Site;

class HttpFront : public QAbstractHttpServer {
    Q_OBJECT
public:
    HttpFront(Site& site, const ConnectionLimits& limits, QObject* parent = nullptr);

    // Takes a copy of the server's listening socket (which it never accepts on); false when
    // it cannot be used.
    bool Start(qintptr listeningCopy);
    // Serves a connection the server's acceptor handed to this thread.
    void Adopt(qintptr connection);
    // Stops accepting. Idle connections close at once, busy ones after their answer; drained
    // follows when none is left.
    void Drain();

Q_SIGNALS:
    void drained();

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    void Watch(QTcpSocket* socket);
    void ConnectionGone();

    Site& site;
    ConnectionLimits limits;
    QPointer<QTcpServer> listener;
    QList<QPointer<ConnectionGuard>> guards;
    bool draining = false;
};
