#pragma once

// Every address the server answers, for one thread's database connection:
//
//   POST /community/upload                  table uploads
//   POST /islands/upload                    islands uploads
//   GET  /                                  the list of leaderboards
//   GET  /board/{game}/{format}/{title}     one leaderboard
//   GET  /player/{id}                       a player's entries
//   GET  /islands, /islands/{id}            accounts with islands, one account's islands
//   GET  /islands/register, POST            the registration form
//   GET  /api/tables, /api/tables/{game}/{format}/{title}   the JSON API
//   GET  /style.css

#include "server/Pages.h"
#include "server/ServerConfig.h"
#include "server/UploadHandler.h"

#include <QByteArray>
#include <QHostAddress>

class Database;
class QHttpServerRequest;

struct HttpAnswer {
    int status = 200;
    QByteArray contentType = "text/html; charset=utf-8";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
};

class Site {
public:
    Site(Database& database, const ServerConfig& config);

    HttpAnswer Answer(const QHttpServerRequest& request);

    // The largest request body an address takes (uploads are encoded text).
    static qint64 MaxBody(QByteArrayView method, QByteArrayView path);
    // What a refused request gets: upload clients read the reply line.
    static QByteArray RefusalBody(QByteArrayView path);

private:
    HttpAnswer Get(const QStringList& parts);
    HttpAnswer Register(const QHttpServerRequest& request);
    HttpAnswer Upload(int reply) const;
    HttpAnswer Html(int status, QByteArray body) const;
    HttpAnswer NotFound() const;
    HttpAnswer Unavailable() const;
    QString ClientAddress(const QHttpServerRequest& request) const;

    Database& database;
    const ServerConfig& config;
    UploadHandler uploads;
    Pages pages;
};
