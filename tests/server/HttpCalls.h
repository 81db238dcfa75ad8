#pragma once

// Blocking HTTP calls for the server's tests.

#include <QByteArray>
#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>

struct HttpResult {
    int status = 0; // 0 when no answer came
    QByteArray body;

    QJsonDocument Json() const { return QJsonDocument::fromJson(body); }
};

inline HttpResult HttpCall(const QString& url, const QByteArray* postBody = nullptr,
                           const QByteArray& contentType = {}) {
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(60000);
    if (!contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    QNetworkReply* reply = postBody ? manager.post(request, *postBody) : manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    HttpResult result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    delete reply;
    return result;
}

inline HttpResult Get(const QString& url) {
    return HttpCall(url);
}

// A form as a browser posts it.
inline HttpResult PostForm(const QString& url, const QByteArray& fields) {
    return HttpCall(url, &fields, "application/x-www-form-urlencoded");
}

#include <ostream>

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
