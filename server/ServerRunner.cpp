#include "server/ServerRunner.h"

#include "server/Checkpointer.h"
#include "server/Database.h"
#include "server/Schema.h"
#include "server/ServerWorker.h"
#include "server/Site.h"

#include <QThread>

#include <unistd.h>

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
        QMetaObject::invokeMethod(checkpointer, "Start", Qt::QueuedConnection);
    }
    if (!listener.listen(config.address, config.port)) {
        error = listener.errorString();
        return false;
    }
    // The threads accept on copies of the listening socket; this one only holds the port.
    listener.pauseAccepting();
    port = listener.serverPort();
    for (int i = 0; i < config.threads; ++i) {
        const qintptr socket = ::dup(int(listener.socketDescriptor()));
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
        QMetaObject::invokeMethod(worker, "Start", Qt::BlockingQueuedConnection,
                                  Q_RETURN_ARG(bool, ok), Q_ARG(qintptr, socket),
                                  Q_ARG(QString*, &error));
        ++running;
        if (!ok)
            return false;
    }
    return true;
}

void ServerRunner::Stop() {
    // The port closes once every thread has closed its copy too.
    listener.close();
    for (ServerWorker* worker : workers)
        QMetaObject::invokeMethod(worker, "Drain", Qt::QueuedConnection);
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
