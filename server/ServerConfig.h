#pragma once

// The server's settings, from the command line and an optional configuration file (INI keys
// named like the long options, without the dashes; the command line wins).

#include "server/ConnectionGuard.h"
#include "server/Database.h"
#include "server/UploadHandler.h"

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

struct ServerConfig {
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 8080;
    DatabaseUrl database;
    int threads = 2;
    QString siteName = QStringLiteral("Scorvane highscores");
    UploadPolicy uploads;
    int registrationsPerHour = 10;
    int requestTimeoutMs = 30000;
    int idleTimeoutMs = 60000;
    // Reverse proxies whose X-Forwarded-For header names the client.
    QList<QHostAddress> trustedProxies;
};

// Reads the command line (arguments, the program name first). Returns the settings, or sets
// exitCode and message: 0 with the help text for --help or --version, 2 with a complaint.
std::optional<ServerConfig> ReadServerConfig(const QStringList& arguments, int& exitCode,
                                             QString& message);

// The game numbers of a list such as "1-6, 20-27, 1001"; empty for a malformed list.
std::optional<QSet<qint32>> ParseGameList(const QString& text);
