#include "server/ServerWorker.h"

#include "server/Database.h"
#include "server/HttpFront.h"
#include "server/Site.h"

#include <unistd.h>

ServerWorker::ServerWorker(const ServerConfig& config, const ConnectionLimits& limits)
    : config(config), limits(limits) {}

ServerWorker::~ServerWorker() {
    front.reset();
    site.reset();
    database.reset();
}

bool ServerWorker::Start(qintptr listeningCopy, QString& error) {
    database = Database::Open(config.database, error);
    if (!database)
        return false;
    site = std::make_unique<Site>(*database, config);
    front = std::make_unique<HttpFront>(*site, limits);
    connect(front.get(), &HttpFront::drained, this, &ServerWorker::Finish, Qt::QueuedConnection);
    if (!front->Start(listeningCopy)) {
        error = QStringLiteral("cannot accept connections");
        return false;
    }
    return true;
}

void ServerWorker::Adopt(qintptr connection) {
    if (front)
        front->Adopt(connection);
    else
        ::close(int(connection));
}

void ServerWorker::Drain() {
    if (front)
        front->Drain();
    else
        Finish();
}

void ServerWorker::Finish() {
    const bool wasRunning = front || database;
    front.reset();
    site.reset();
    database.reset();
    if (wasRunning)
        Q_EMIT drained();
}
