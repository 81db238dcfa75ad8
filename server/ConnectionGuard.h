#pragma once

// Watches the bytes of one connection before QHttpServer reads them, for what QHttpServer 6.4
// does not do itself:
//
//   - a body larger than its route allows, a head larger than the limit, or a chunked body is
//     refused before it is read (413, 431, 411), and the connection closed;
//   - a request that is not complete within the time limit is answered 408 and closed, an
//     idle connection is closed after the idle time;
//   - after answering an HTTP/1.0 request, or one that asked for "Connection: close", the
//     connection is closed (QHttpServer 6.4 keeps every connection open, so HTTP/1.0 clients
//     that wait for the end of the answer would wait forever);
//   - when the server stops, idle connections close at once and busy ones after their answer.
//
// The guard reads nothing itself: it peeks at the bytes that arrived, which QHttpServer then
// reads in the same readyRead emission (its slot is connected after the guard's).

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>

class QTcpSocket;

struct ConnectionLimits {
    qsizetype maxHeadBytes = 16 * 1024;
    int requestTimeoutMs = 30000;
    int idleTimeoutMs = 60000;
    // The largest body the route of method and path accepts.
    std::function<qint64(QByteArrayView method, QByteArrayView path)> maxBody;
    // The body of a refusal for the path (uploads answer with their reply line).
    std::function<QByteArray(QByteArrayView path)> refusalBody;
};

class ConnectionGuard : public QObject {
    Q_OBJECT
public:
    // Watches socket and lives as its child.
    ConnectionGuard(QTcpSocket* socket, const ConnectionLimits& limits);
    static ConnectionGuard* Of(QTcpSocket* socket);

    // Whether the connection closes after the answer to its oldest unanswered request.
    bool ClosesAfterAnswer() const;
    // Told after the oldest unanswered request was answered.
    void Answered();
    // The server stops: closes the connection now when it is idle, else after its answer.
    void Drain();

private:
    enum class Phase { Idle, Head, Body };

    void OnReadyRead();
    void OnTimeout();
    // Takes the bytes of one complete head; false when the request was refused.
    bool TakeHead(const QByteArray& head);
    void Refuse(int status, const QByteArray& reason, QByteArrayView path = {});
    void CloseWhenIdle();

    QTcpSocket* socket;
    const ConnectionLimits& limits;
    QTimer timer;
    Phase phase = Phase::Idle;
    QByteArray head;
    qint64 bodyLeft = 0;
    std::deque<bool> unanswered; // per complete request: close after its answer
    bool draining = false;
    bool refused = false;
};
