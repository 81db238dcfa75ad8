// What reaches the server besides well-behaved uploads: HTTP/1.0 clients, bodies too large to
// take, chunked bodies, clients that stop sending, and a stop signal in the middle of an
// upload. Each gets its answer or a closed connection; the server goes on (or ends cleanly)
// and stores nothing half.
#include "HttpCalls.h"
#include "ServerProcess.h"
#include "UploadBodies.h"
#include "server/Pages.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr int kDeadlineMs = 30000;

const std::string kTable =
    TableText(9, "Trivia Blitz", {{"Tobias", 1020, "Round: 11"}, {"Mira", 870, ""}});

QByteArray UploadRequest(const QByteArray& body, const char* version = "HTTP/1.1") {
    return "POST /community/upload " + QByteArray(version) +
           "\r\nHost: 127.0.0.1\r\nContent-Type: multipart/form-data\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

struct Exchange {
    QByteArray answer;
    bool closed = false; // the server closed the connection
};

// Reads what the server sends until it closes the connection or the deadline passes.
Exchange ReadToClose(QTcpSocket& socket, int deadlineMs = kDeadlineMs) {
    Exchange result;
    const QDeadlineTimer deadline(deadlineMs);
    while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        result.answer += socket.readAll();
    }
    if (socket.isOpen())
        result.answer += socket.readAll();
    result.closed = socket.state() != QAbstractSocket::ConnectedState;
    return result;
}

class Transport : public ::testing::Test {
protected:
    void Start(const QStringList& arguments = {}) {
        server = std::make_unique<ServerProcess>(QStringLiteral(SCORVANE_SERVER_PATH), Database(),
                                                 arguments);
        ASSERT_NE(server->Port(), 0) << server->Log().toStdString();
    }
    QString Database() const { return "sqlite:" + folder.filePath("server.db"); }

    void Connect(QTcpSocket& socket) {
        socket.connectToHost(QHostAddress::LocalHost, server->Port());
        ASSERT_TRUE(socket.waitForConnected(kDeadlineMs));
    }

    QJsonArray Tables() { return Get(server->Url("/api/tables")).Json().array(); }

    QTemporaryDir folder;
    std::unique_ptr<ServerProcess> server;
};

TEST_F(Transport, AnHttp10RequestIsAnsweredAndTheConnectionClosed) {
    Start();
    QTcpSocket socket;
    Connect(socket);
    socket.write(UploadRequest(Encoded(TableData(kTable, "0", "")), "HTTP/1.0"));
    const Exchange exchange = ReadToClose(socket);
    EXPECT_TRUE(exchange.closed);
    EXPECT_TRUE(exchange.answer.endsWith("\r\n\r\nHighscores(7hT2xK9m4Rd):0\n"))
        << exchange.answer.constData();
}

TEST_F(Transport, RefusedRequestsCloseTheConnectionAndStoreNothing) {
    Start();
    const QByteArray hugeHead =
        "POST /community/upload HTTP/1.1\r\nContent-Length: 104857600\r\n\r\n";
    const struct {
        const char* what;
        QByteArray request;
        QByteArray status;
    } cases[] = {
        {"100 MiB announced", hugeHead, "413"},
        {"an islands upload past 32 MiB",
         "POST /islands/upload HTTP/1.1\r\nContent-Length: 33554433\r\n\r\n", "413"},
        {"a chunked body",
         "POST /community/upload HTTP/1.1\r\nTransfer-Encoding: "
         "chunked\r\n\r\n5\r\nabcde\r\n0\r\n\r\n",
         "411"},
        {"a head without end", "GET /" + QByteArray(20000, 'a'), "431"},
        {"no HTTP version", "GET /\r\n\r\n", "400"},
    };
    for (const auto& c : cases) {
        QTcpSocket socket;
        Connect(socket);
        socket.write(c.request);
        const Exchange exchange = ReadToClose(socket);
        EXPECT_TRUE(exchange.closed) << c.what;
        EXPECT_TRUE(exchange.answer.startsWith("HTTP/1.1 " + c.status))
            << c.what << ": " << exchange.answer.constData();
    }

    // The body itself is sent too: the server answers after the head and closes; the rest of
    // the 100 MiB goes nowhere.
    QTcpSocket socket;
    Connect(socket);
    socket.write(hugeHead);
    const QByteArray chunk(1 << 20, 'A');
    for (int i = 0; i < 100 && socket.state() == QAbstractSocket::ConnectedState; ++i) {
        socket.write(chunk);
        socket.waitForBytesWritten(kDeadlineMs);
    }
    const Exchange exchange = ReadToClose(socket);
    EXPECT_TRUE(exchange.closed);
    if (!exchange.answer.isEmpty()) {
        EXPECT_TRUE(exchange.answer.endsWith("Highscores(7hT2xK9m4Rd):1\n"));
    }

    EXPECT_EQ(Get(server->Url("/")).status, 200) << "the server goes on";
    EXPECT_TRUE(Tables().isEmpty());
}

TEST_F(Transport, AClientThatStopsSendingIsCutOff) {
    QFile config(folder.filePath("server.conf"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("request-timeout = 1\n");
    config.close();
    Start({"--config", config.fileName()});
    const QByteArray request = UploadRequest(Encoded(TableData(kTable, "0", "")));
    QTcpSocket socket;
    Connect(socket);
    socket.write(request.left(request.size() - 10));
    const Exchange exchange = ReadToClose(socket);
    EXPECT_TRUE(exchange.closed);
    EXPECT_TRUE(exchange.answer.startsWith("HTTP/1.1 408")) << exchange.answer.constData();
    EXPECT_TRUE(Tables().isEmpty());
}

TEST_F(Transport, AStopSignalFinishesTheUploadInProgress) {
    Start();
    const QByteArray request =
        UploadRequest(Encoded(TableData(kTable, "0,1", "me@ludora.example")));
    const QByteArray styleRequest = "GET /style.css HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    QTcpSocket upload;
    Connect(upload);
    // Half an upload behind a request of the style sheet: once the style sheet has come
    // back, the server has read the half upload too.
    upload.write(styleRequest + request.left(request.size() / 2));
    const qsizetype styleSize = Pages::StyleSheet().size();
    QByteArray answer;
    for (QDeadlineTimer deadline(kDeadlineMs);
         !answer.endsWith(Pages::StyleSheet()) && !deadline.hasExpired();) {
        upload.waitForReadyRead(100);
        answer += upload.readAll();
    }
    ASSERT_TRUE(answer.contains("Content-Length: " + QByteArray::number(styleSize)));
    QTcpSocket idle;
    Connect(idle);

    server->SendStop();
    // Once the server has taken the signal, no new connection gets in.
    for (QDeadlineTimer deadline(kDeadlineMs); !deadline.hasExpired();) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, server->Port());
        if (!probe.waitForConnected(kDeadlineMs))
            break;
        probe.waitForDisconnected(100);
    }
    EXPECT_TRUE(ReadToClose(idle).closed) << "an idle connection closes at once";
    upload.write(request.mid(request.size() / 2));
    const Exchange exchange = ReadToClose(upload);
    EXPECT_TRUE(exchange.closed);
    EXPECT_TRUE(exchange.answer.endsWith("Highscores(7hT2xK9m4Rd):0\n"))
        << exchange.answer.constData();
    EXPECT_TRUE(server->WaitForExit(kDeadlineMs));
    EXPECT_EQ(server->ExitCode(), 0) << server->Log().toStdString();

    Start();
    ASSERT_EQ(Tables().size(), 1);
    EXPECT_EQ(Tables()[0].toObject().value("entries").toInt(), 2);
}

} // namespace
