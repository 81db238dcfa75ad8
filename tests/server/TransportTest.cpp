// What reaches the server besides well-behaved uploads: HTTP/1.0 clients, bodies too large to
// take, chunked bodies, clients that stop sending, and a stop signal in the middle of an
// upload. Each gets its answer or a closed connection; the server goes on (or ends cleanly)
// and stores nothing half.
#include "ServerTests.h"
#include "server/Pages.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTcpSocket>

namespace {

constexpr int kDeadlineMs = 30000;

QByteArray UploadRequest(const QList<quint32>& chosen, const char* version = "HTTP/1.1") {
    const QByteArray body = encodeBody(tableUploadData(
        TableText(9, "Trivia Blitz", {{"Tobias", 1020, "Round: 11"}, {"Mira", 870, ""}}), chosen,
        ""));
    return "POST /community/upload " + QByteArray(version) +
           "\r\nHost: 127.0.0.1\r\nContent-Type: multipart/form-data\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

class Transport : public RunningServer {
protected:
    void Connect(QTcpSocket& socket) {
        socket.connectToHost(QHostAddress::LocalHost, server->Port());
        ASSERT_TRUE(socket.waitForConnected(kDeadlineMs));
    }

    // What the server sends until it closes the connection, with "[open]" at the end when it
    // does not close it within the deadline.
    static QByteArray ReadToClose(QTcpSocket& socket) {
        QByteArray answer;
        const QDeadlineTimer deadline(kDeadlineMs);
        while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
            socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
            answer += socket.readAll();
        }
        const bool open = socket.state() == QAbstractSocket::ConnectedState;
        return answer + socket.readAll() + (open ? "[open]" : "");
    }
};

TEST_F(Transport, EveryRequestIsAnsweredAndClosedWithinTheLimits) {
    QFile config(folder.filePath("server.conf"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly) && config.write("request-timeout = 1\n") > 0);
    config.close();
    Start({}, {"--config", config.fileName()});
    const QByteArray post = "POST /community/upload HTTP/1.1\r\n";
    const QByteArray refused = "Highscores(7hT2xK9m4Rd):1\n";
    const struct {
        const char* what;
        QByteArray request;
        const char* status;
        QByteArray body;
    } cases[] = {
        {"an HTTP/1.0 upload", UploadRequest({0}, "HTTP/1.0"), "200",
         "Highscores(7hT2xK9m4Rd):0\n"},
        {"a table upload of 1 MiB",
         post + "Connection: close\r\nContent-Length: 1048576\r\n\r\n" + QByteArray(1 << 20, '#'),
         "200", refused},
        {"a table upload past 1 MiB", post + "Content-Length: 1048577\r\n\r\n", "413", refused},
        {"an islands upload past 32 MiB",
         "POST /islands/upload HTTP/1.1\r\nContent-Length: 33554433\r\n\r\n", "413", refused},
        {"a chunked body", post + "Transfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\n0\r\n\r\n",
         "411", refused},
        {"a head without end", "GET /" + QByteArray(20000, 'a'), "431",
         "Request Header Fields Too Large\n"},
        {"a negative length", post + "Content-Length: -1\r\n\r\n", "400", "Bad Request\n"},
        {"a client that stops sending", UploadRequest({0, 1}).chopped(10), "408",
         "Request Timeout\n"},
    };
    for (const auto& c : cases) {
        QTcpSocket socket;
        Connect(socket);
        socket.write(c.request);
        const QByteArray answer = ReadToClose(socket);
        EXPECT_TRUE(answer.startsWith("HTTP/1.1 " + QByteArray(c.status)) &&
                    answer.endsWith("\r\n\r\n" + c.body))
            << c.what << ": " << answer.constData();
    }
    // The HTTP/1.0 upload's one entry, nothing of the cut-off one.
    EXPECT_EQ(Tables(), QJsonDocument::fromJson(R"([{"game": 9, "format": 1,
        "title": "Trivia Blitz", "entries": 1}])")
                            .array());
}

TEST_F(Transport, AStopSignalFinishesTheUploadInProgress) {
    Start();
    const QByteArray request = UploadRequest({0, 1});
    QTcpSocket upload;
    Connect(upload);
    // Half an upload behind a request of the style sheet: once the style sheet has come
    // back, the server has read the half upload too.
    upload.write("GET /style.css HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n" +
                 request.first(request.size() / 2));
    QByteArray answer;
    for (QDeadlineTimer deadline(kDeadlineMs);
         !answer.endsWith(Pages::StyleSheet()) && !deadline.hasExpired();) {
        upload.waitForReadyRead(100);
        answer += upload.readAll();
    }
    ASSERT_TRUE(answer.endsWith(Pages::StyleSheet()));
    QTcpSocket idle;
    Connect(idle);

    // Once the server has taken the signal, the idle connection closes at once.
    server->SendStop();
    ASSERT_EQ(ReadToClose(idle), "");
    upload.write(request.sliced(request.size() / 2));
    const QByteArray reply = ReadToClose(upload);
    EXPECT_TRUE(reply.endsWith("Highscores(7hT2xK9m4Rd):0\n")) << reply.constData();
    EXPECT_EQ(server->Stop(), 0) << server->Log().toStdString();

    Start();
    ASSERT_EQ(Tables().size(), 1);
    EXPECT_EQ(Tables()[0].toObject().value("entries").toInt(), 2);
}

} // namespace
