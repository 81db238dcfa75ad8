// scorvane-server: a destination for Scorvane's uploads with leaderboard pages.
#include "server/Passwords.h"
#include "server/ServerConfig.h"
#include "server/ServerRunner.h"
#include "server/StopSignals.h"

#include "Version.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("scorvane-server"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersionText));

    int exitCode = 0;
    QString message;
    const std::optional<ServerConfig> config =
        ReadServerConfig(QCoreApplication::arguments(), exitCode, message);
    if (!config) {
        if (exitCode == 0)
            std::printf("%s\n", qPrintable(message));
        else
            std::fprintf(stderr, "scorvane-server: %s\n", qPrintable(message));
        return exitCode;
    }
    if (!InitPasswords()) {
        std::fprintf(stderr, "scorvane-server: the password library cannot be used\n");
        return 1;
    }

    StopSignals stopSignals;
    ServerRunner runner(*config);
    QString error;
    if (!runner.Start(error)) {
        std::fprintf(stderr, "scorvane-server: %s\n", qPrintable(error));
        return 1;
    }
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &runner, &ServerRunner::Stop);
    QObject::connect(&runner, &ServerRunner::stopped, &app, &QCoreApplication::quit);
    const QString host = config->address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + config->address.toString() + QLatin1Char(']')
                             : config->address.toString();
    std::printf("scorvane-server %s listening on http://%s:%u/ with %s\n", kVersionText,
                qPrintable(host), unsigned(runner.Port()), qPrintable(config->database.Display()));
    std::fflush(stdout);
    return app.exec();
}
