#include "ServerProcess.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

#include <csignal>

ServerProcess::ServerProcess(const QString& serverPath, const QString& database,
                             const QStringList& arguments) {
    process.start(serverPath,
                  QStringList{"--listen", "127.0.0.1:0", "--database", database} + arguments);
    // The first line of standard output names the port.
    QByteArray out;
    const QDeadlineTimer deadline(60000);
    while (!out.contains('\n') && !deadline.hasExpired() && process.state() != QProcess::NotRunning)
        if (process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            out += process.readAllStandardOutput();
    const auto match = QRegularExpression("http://127\\.0\\.0\\.1:(\\d+)/").match(out);
    if (match.hasMatch())
        port = quint16(match.captured(1).toUInt());
}

ServerProcess::~ServerProcess() {
    if (Stop() < 0 && process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(10000);
    }
}

QString ServerProcess::Url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path);
}

QString ServerProcess::Log() {
    log += process.readAllStandardError();
    return QString::fromUtf8(log);
}

void ServerProcess::SendStop() {
    if (!stopSent && process.state() != QProcess::NotRunning)
        ::kill(pid_t(process.processId()), SIGTERM);
    stopSent = true;
}

int ServerProcess::Stop() {
    SendStop();
    if (process.state() != QProcess::NotRunning)
        process.waitForFinished(60000);
    if (process.state() != QProcess::NotRunning || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}
