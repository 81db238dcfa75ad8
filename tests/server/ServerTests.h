#pragma once

// Support for the server's tests: upload data as the program builds it, blocking HTTP calls,
// and a fixture that runs the built server on a fresh SQLite database.

#include "HighscoreWriters.h"
#include "ServerProcess.h"
#include "formats/UploadData.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// A signed table text (digest included) of format 1.
inline QByteArray TableText(qint64 game, const std::string& title,
                            const std::vector<writers::TextRecord>& records) {
    return writers::SignedTableText(game, 1, title, records);
}

struct HttpResult {
    int status = 0; // 0 when no answer came
    QByteArray body;
};

// GET, or POST of body with the content type.
inline HttpResult HttpCall(const QString& url, const QByteArray* body = nullptr,
                           const QByteArray& contentType = {}) {
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(60000);
    if (body)
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    QNetworkReply* reply = body ? manager.post(request, *body) : manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    const HttpResult result{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                            reply->readAll()};
    delete reply;
    return result;
}

class RunningServer : public ::testing::Test {
protected:
    void Start(const QString& database = {}, const QStringList& arguments = {}) {
        server = std::make_unique<ServerProcess>(
            QStringLiteral(SCORVANE_SERVER_PATH),
            database.isEmpty() ? "sqlite:" + folder.filePath("server.db") : database, arguments);
        ASSERT_NE(server->Port(), 0) << server->Log().toStdString();
    }

    HttpResult Get(const QString& path) { return HttpCall(server->Url(path)); }
    HttpResult Post(const QString& path, const QByteArray& body,
                    const QByteArray& contentType = "multipart/form-data") {
        return HttpCall(server->Url(path), &body, contentType);
    }
    QJsonArray Tables() { return QJsonDocument::fromJson(Get("/api/tables").body).array(); }

    QTemporaryDir folder;
    std::unique_ptr<ServerProcess> server;
};

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
