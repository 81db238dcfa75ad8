#include "server/Checkpointer.h"

Checkpointer::Checkpointer(const DatabaseUrl& url) : url(url) {
    timer.setInterval(200);
    connect(&timer, &QTimer::timeout, this, [this] {
        if (database)
            database->Execute(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
    });
}

Checkpointer::~Checkpointer() = default;

void Checkpointer::Start() {
    QString error;
    database = Database::Open(url, error);
    if (!database) {
        qWarning("checkpoints: %s", qPrintable(error));
        return;
    }
    timer.start();
}
