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

// A signed table text (digest included) of format 1.
inline QByteArray TableText(qint64 game, const std::string& title,
                            const std::vector<writers::TextRecord>& records) {
    return writers::SignedTableText(game, 1, title, records);
}

struct HttpResult {
    int status = 0; // 0 when no answer came
    QByteArray body;
};

class RunningServer : public ::testing::Test {
protected:
    void Start(const QString& database = {}, const QStringList& arguments = {}) {
        server = std::make_unique<ServerProcess>(
            QStringLiteral(SCORVANE_SERVER_PATH),
            database.isEmpty() ? "sqlite:" + folder.filePath("server.db") : database, arguments);
        ASSERT_NE(server->Port(), 0) << server->Log().toStdString();
    }

    // GET path, or POST the form fields (when there are any) to it as a browser does.
    HttpResult Call(const QString& path, const QByteArray& form = {}) {
        QNetworkAccessManager manager;
        QNetworkRequest request{QUrl(server->Url(path))};
        request.setTransferTimeout(60000);
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
        const std::unique_ptr<QNetworkReply> reply(!form.isEmpty() ? manager.post(request, form)
                                                                   : manager.get(request));
        QEventLoop loop;
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                reply->readAll()};
    }
    QJsonArray Tables() { return QJsonDocument::fromJson(Call("/api/tables").body).array(); }

    QTemporaryDir folder;
    std::unique_ptr<ServerProcess> server;
};
