#pragma once

// Runs the built scorvane-server on a free loopback port for tests and benchmarks.

#include <QProcess>

class ServerProcess {
public:
    // Starts the server with the database URL and further arguments; Port() is 0 when it did
    // not start (Log() tells why).
    ServerProcess(const QString& serverPath, const QString& database,
                  const QStringList& arguments = {});
    ~ServerProcess();

    quint16 Port() const { return port; }
    qint64 Pid() const { return process.processId(); }
    QString Url(const QString& path) const;
    // What the server wrote to its standard error so far.
    QString Log();

    // Sends SIGTERM once.
    void SendStop();
    // Stops the server and waits for it; the exit code, or -1 when the server did not end
    // normally within the deadline.
    int Stop();

private:
    QProcess process;
    quint16 port = 0;
    bool stopSent = false;
    QByteArray log;
};
