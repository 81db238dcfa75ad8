#pragma once

// SQLite with a write-ahead log copies the log back into the database file now and then (a
// checkpoint), and syncs both files while doing so. Left to itself, SQLite does this inside
// the commit that filled the log, which then waits for the disk while every other upload
// waits for it. The checkpointer does it five times a second on a connection of its own, beside the
// writers; the writers' own checkpoints remain only as a safety net for a log that grows
// past kWriterCheckpointPages.

#include "server/Database.h"

#include <QObject>
#include <QTimer>
#include <memory>

inline constexpr int kWriterCheckpointPages = 20000;

class Checkpointer : public QObject {
    Q_OBJECT
public:
    explicit Checkpointer(const DatabaseUrl& url);
    ~Checkpointer() override;

    // Opens the connection and starts the timer, in the thread the object lives in.
    void Start();

private:
    DatabaseUrl url;
    std::unique_ptr<Database> database;
    QTimer timer{this}; // a child, so that it moves to the object's thread with it
};
