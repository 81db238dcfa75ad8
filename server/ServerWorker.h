#pragma once

#include "server/ConnectionGuard.h"
#include "server/ServerConfig.h"

#include <QObject>
#include <memory>

class Database;
class HttpFront;
class Site;

// One answering thread's objects; lives in that thread.
class ServerWorker : public QObject {
    Q_OBJECT
public:
    ServerWorker(const ServerConfig& config, const ConnectionLimits& limits);
    ~ServerWorker() override;

    // Opens the database connection; takes a copy of the listening socket (see HttpFront).
    bool Start(qintptr listeningCopy, QString& error);
    // Serves a connection the acceptor handed to this thread.
    void Adopt(qintptr connection);
    void Drain();

Q_SIGNALS:
    void drained();

private:
    void Finish();

    const ServerConfig& config;
    const ConnectionLimits& limits;
    std::unique_ptr<Database> database;
    std::unique_ptr<Site> site;
    std::unique_ptr<HttpFront> front;
};
