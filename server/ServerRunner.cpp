#include "server/ServerRunner.h"

#include "server/Checkpointer.h"
#include "server/Database.h"
#include "server/Schema.h"
#include "server/ServerWorker.h"
#include "server/Site.h"

#include <QThread>

#include <unistd.h>

namespace {

// Accepts connections and passes each one's descriptor on.
class Acceptor : public QTcpServer {
public:
    explicit Acceptor(std::function<void(qintptr)> deal) : deal(std::move(deal)) {}

protected:
    void incomingConnection(qintptr connection) override { deal(connection); }

private:
    std::function<void(qintptr)> deal;
};

} // namespace

ServerRunner::ServerRunner(const ServerConfig& config, QObject* parent)
    : QObject(parent), config(config) {
    limits.requestTimeoutMs = config.requestTimeoutMs;
    limits.idleTimeoutMs = config.idleTimeoutMs;
    limits.maxBody = &Site::MaxBody;
    limits.refusalBody = &Site::RefusalBody;
}

ServerRunner::~ServerRunner() {
    for (QThread* thread : threads) {
        thread->quit();
        thread->wait();
    }
    if (checkpoints) {
        checkpoints->quit();
        checkpoints->wait();
    }
}

bool ServerRunner::Start(QString& error) {
    {
        const std::unique_ptr<Database> database = Database::Open(config.database, error);
        if (!database || !MigrateSchema(*database, error))
            return false;
    }
    if (config.database.kind == DatabaseUrl::Kind::Sqlite) {
        checkpoints = new QThread(this);
        auto* checkpointer = new Checkpointer(config.database);
        checkpointer->moveToThread(checkpoints);
        connect(checkpoints, &QThread::finished, checkpointer, &QObject::deleteLater);
        checkpoints->start();
        QMetaObject::invokeMethod(checkpointer, &Checkpointer::Start, Qt::QueuedConnection);
    }
    listener = std::make_unique<Acceptor>([this](qintptr connection) {
        ServerWorker* worker = workers[nextWorker++ % workers.size()];
        QMetaObject::invokeMethod(
            worker, [worker, connection] { worker->Adopt(connection); }, Qt::QueuedConnection);
    });
    if (!listener->listen(config.address, config.port)) {
        error = listener->errorString();
        return false;
    }
    // Connections wait in the backlog until every thread is ready.
    listener->pauseAccepting();
    port = listener->serverPort();
    for (int i = 0; i < config.threads; ++i) {
        const qintptr socket = ::dup(int(listener->socketDescriptor()));
        if (socket < 0) {
            error = QStringLiteral("cannot share the listening socket");
            return false;
        }
        auto* thread = new QThread(this);
        auto* worker = new ServerWorker(config, limits);
        worker->moveToThread(thread);
        connect(thread, &QThread::finished, worker, &QObject::deleteLater);
        connect(worker, &ServerWorker::drained, this, &ServerRunner::WorkerDrained);
        threads.push_back(thread);
        workers.push_back(worker);
        thread->start();
        bool ok = false;
        QMetaObject::invokeMethod(
            worker, [&] { ok = worker->Start(socket, error); }, Qt::BlockingQueuedConnection);
        ++running;
        if (!ok)
            return false;
    }
    listener->resumeAccepting();
    return true;
}

void ServerRunner::Stop() {
    // The port closes once every thread has closed its copy too.
    listener->close();
    for (ServerWorker* worker : workers)
        QMetaObject::invokeMethod(worker, &ServerWorker::Drain, Qt::QueuedConnection);
}

void ServerRunner::WorkerDrained() {
    if (--running > 0)
        return;
    for (QThread* thread : threads) {
        thread->quit();
        thread->wait();
    }
    threads.clear();
    workers.clear();
    Q_EMIT stopped();
}
