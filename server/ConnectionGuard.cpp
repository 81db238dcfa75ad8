#include "server/ConnectionGuard.h"

#include <QTcpSocket>

namespace {

const char* const kGuardProperty = "scorvaneGuard";

// The end of a head: an empty line, with or without carriage returns.
qsizetype HeadEnd(const QByteArray& bytes) {
    const qsizetype crlf = bytes.indexOf("\r\n\r\n");
    const qsizetype lf = bytes.indexOf("\n\n");
    if (crlf < 0)
        return lf < 0 ? -1 : lf + 2;
    return lf < 0 ? crlf + 4 : qMin(crlf + 4, lf + 2);
}

} // namespace

ConnectionGuard::ConnectionGuard(QTcpSocket* socket, const ConnectionLimits& limits)
    : QObject(socket), socket(socket), limits(limits) {
    socket->setProperty(kGuardProperty, QVariant::fromValue(static_cast<QObject*>(this)));
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &ConnectionGuard::OnTimeout);
    connect(socket, &QTcpSocket::readyRead, this, &ConnectionGuard::OnReadyRead);
    timer.start(limits.idleTimeoutMs);
}

ConnectionGuard* ConnectionGuard::Of(QTcpSocket* socket) {
    return qobject_cast<ConnectionGuard*>(socket->property(kGuardProperty).value<QObject*>());
}

void ConnectionGuard::OnReadyRead() {
    if (refused)
        return;
    QByteArray data = socket->peek(socket->bytesAvailable());
    while (!data.isEmpty() && !refused) {
        switch (phase) {
        case Phase::Idle: {
            // Blank lines between requests are allowed before a request line.
            qsizetype skip = 0;
            while (skip < data.size() && (data[skip] == '\r' || data[skip] == '\n'))
                ++skip;
            data.remove(0, skip);
            if (data.isEmpty())
                break;
            phase = Phase::Head;
            head.clear();
            timer.start(limits.requestTimeoutMs);
            break;
        }
        case Phase::Head: {
            const qsizetype searchFrom = qMax<qsizetype>(0, head.size() - 3);
            const qsizetype room = limits.maxHeadBytes + 4 - head.size();
            head += data.left(room);
            data.remove(0, qMin(data.size(), room));
            const qsizetype end = HeadEnd(head.mid(searchFrom));
            if (end < 0) {
                if (head.size() > limits.maxHeadBytes)
                    Refuse(431, "Request Header Fields Too Large");
                break;
            }
            const qsizetype headSize = searchFrom + end;
            data.prepend(head.mid(headSize));
            head.truncate(headSize);
            TakeHead(head);
            break;
        }
        case Phase::Body: {
            const qint64 taken = qMin<qint64>(bodyLeft, data.size());
            bodyLeft -= taken;
            data.remove(0, taken);
            if (bodyLeft == 0)
                phase = Phase::Idle;
            break;
        }
        }
    }
}

bool ConnectionGuard::TakeHead(const QByteArray& bytes) {
    const QList<QByteArray> lines = bytes.split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/1.")) {
        Refuse(400, "Bad Request");
        return false;
    }
    const QByteArray& method = requestLine[0];
    const QByteArray& target = requestLine[1];
    const QByteArray path = target.left(target.contains('?') ? target.indexOf('?') : target.size());
    bool close = requestLine[2] != "HTTP/1.1";
    qint64 length = 0;
    bool lengthSeen = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = lines[i].left(colon).trimmed().toLower();
        const QByteArray value = lines[i].mid(colon + 1).trimmed();
        if (name == "content-length") {
            bool ok = false;
            const qint64 number = value.toLongLong(&ok);
            if (!ok || number < 0 || (lengthSeen && number != length) || value.contains('+') ||
                value.contains('-')) {
                Refuse(400, "Bad Request");
                return false;
            }
            length = number;
            lengthSeen = true;
        } else if (name == "transfer-encoding") {
            Refuse(411, "Length Required", path);
            return false;
        } else if (name == "connection" && value.toLower().contains("close")) {
            close = true;
        }
    }
    if (length > (limits.maxBody ? limits.maxBody(method, path) : 0)) {
        Refuse(413, "Payload Too Large", path);
        return false;
    }
    unanswered.push_back(close);
    bodyLeft = length;
    phase = bodyLeft > 0 ? Phase::Body : Phase::Idle;
    return true;
}

bool ConnectionGuard::ClosesAfterAnswer() const {
    return draining || unanswered.empty() || unanswered.front();
}

void ConnectionGuard::Answered() {
    const bool close = ClosesAfterAnswer();
    if (!unanswered.empty())
        unanswered.pop_front();
    if (close) {
        refused = true; // nothing more is read from this connection
        timer.stop();
        socket->disconnectFromHost();
        return;
    }
    if (phase == Phase::Idle && unanswered.empty())
        timer.start(limits.idleTimeoutMs);
}

void ConnectionGuard::Drain() {
    draining = true;
    CloseWhenIdle();
}

void ConnectionGuard::CloseWhenIdle() {
    if (phase == Phase::Idle && unanswered.empty()) {
        timer.stop();
        socket->disconnectFromHost();
    }
}

void ConnectionGuard::OnTimeout() {
    if (phase == Phase::Idle && unanswered.empty())
        socket->disconnectFromHost();
    else
        Refuse(408, "Request Timeout");
}

void ConnectionGuard::Refuse(int status, const QByteArray& reason, QByteArrayView path) {
    refused = true;
    timer.stop();
    // QHttpServer must not read this connection any further.
    QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
    const QByteArray body =
        limits.refusalBody && !path.isEmpty() ? limits.refusalBody(path) : reason + '\n';
    socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
                  "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
}
