#pragma once

// Runs the server: migrates the database, listens, and answers on several threads, each with
// its own database connection. The main thread accepts the connections and deals them out
// to the threads in turn. Stop finishes what was accepted before it returns control.

#include "server/ServerConfig.h"

#include <QObject>
#include <QTcpServer>
#include <memory>
#include <vector>

class QThread;
class ServerWorker;

class ServerRunner : public QObject {
    Q_OBJECT
public:
    explicit ServerRunner(const ServerConfig& config, QObject* parent = nullptr);
    ~ServerRunner() override;

    // False with a message when the database or the address cannot be used.
    bool Start(QString& error);
    quint16 Port() const { return port; }

    // Stops accepting connections; stopped follows once every accepted request is answered.
    void Stop();

Q_SIGNALS:
    void stopped();

private:
    void WorkerDrained();

    ServerConfig config;
    ConnectionLimits limits;
    std::unique_ptr<QTcpServer> listener;
    std::vector<QThread*> threads;
    std::vector<ServerWorker*> workers;
    QThread* checkpoints = nullptr;
    int running = 0;
    std::size_t nextWorker = 0;
    quint16 port = 0;
};
