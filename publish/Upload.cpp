#include "publish/Upload.h"

#include "formats/Reply.h"
#include "formats/UploadData.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QUrl>
#include <memory>
#include <optional>

namespace {

// The system's proxies, except for this machine itself.
class SystemProxyFactory final : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        const QString host = query.peerHostName();
        QHostAddress address;
        if (host.compare(u"localhost", Qt::CaseInsensitive) == 0 ||
            (address.setAddress(host) && address.isLoopback()))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        QList<QNetworkProxy> proxies = systemProxyForQuery(query);
        if (proxies.isEmpty())
            proxies.append(QNetworkProxy(QNetworkProxy::NoProxy));
        return proxies;
    }
};

// The script's URL, or nothing when the server is no usable host with an optional port: empty,
// with user information, or with anything that belongs to a path.
std::optional<QUrl> scriptUrl(const DestinationSettings& destination) {
    const QString origin =
        (destination.secure ? QStringLiteral("https://") : QStringLiteral("http://")) +
        destination.server;
    const QUrl server(origin, QUrl::StrictMode);
    if (!server.isValid() || server.host().isEmpty() || !server.userInfo().isEmpty() ||
        !server.path().isEmpty() || server.hasQuery() || server.hasFragment() || server.port() == 0)
        return std::nullopt;
    const QUrl url(
        origin + (destination.scriptPath.isEmpty() ? QStringLiteral("/") : destination.scriptPath),
        QUrl::TolerantMode);
    if (!url.isValid() || url.host() != server.host())
        return std::nullopt;
    return url;
}

QNetworkRequest postRequest(const QUrl& url, const UploadOptions& options) {
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("multipart/form-data"));
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray("Scorvane"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(int(options.transferTimeout.count()));
    if (url.scheme() == u"https" && !options.caCertificates.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(options.caCertificates);
        request.setSslConfiguration(tls);
    }
    return request;
}

// Errors that only carry the HTTP status of a complete answer; its body is still read, since
// the status does not decide.
bool isStatusOnlyError(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::ContentOperationNotPermittedError:
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::AuthenticationRequiredError:
    case QNetworkReply::ContentConflictError:
    case QNetworkReply::ContentGoneError:
    case QNetworkReply::UnknownContentError:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::InternalServerError:
    case QNetworkReply::OperationNotImplementedError:
    case QNetworkReply::ServiceUnavailableError:
    case QNetworkReply::UnknownServerError:
        return true;
    default:
        return false;
    }
}

UploadResult exchange(const QUrl& url, const QByteArray& body, const UploadOptions& options) {
    // The loop first: it gives a thread that Qt did not start the event dispatcher that the
    // transfer timer needs.
    QEventLoop loop;
    QNetworkAccessManager manager;
    manager.setProxyFactory(new SystemProxyFactory);
    manager.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    const std::unique_ptr<QNetworkReply> reply(manager.post(postRequest(url, options), body));

    // A stop may come from another thread: the abort is handed to this thread's loop.
    bool stopped = false;
    const std::stop_callback onStop(options.stop, [&] {
        QMetaObject::invokeMethod(
            &loop,
            [&] {
                stopped = true;
                reply->abort();
            },
            Qt::QueuedConnection);
    });
    QByteArray head;
    bool haveEnough = false;
    auto readHead = [&] {
        if (haveEnough || !reply->isOpen())
            return;
        head += reply->read(kReplyReadLimit - head.size());
        if (head.size() >= kReplyReadLimit) {
            // The start is all that counts; the rest of a long answer is not waited for.
            haveEnough = true;
            reply->abort();
        }
    };
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, readHead);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    readHead();

    if (stopped)
        return UploadResult::Stopped;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool redirected = status.isValid() && status.toInt() >= 300 && status.toInt() < 400;
    const QNetworkReply::NetworkError error = reply->error();
    const bool transferred = haveEnough || error == QNetworkReply::NoError ||
                             (status.isValid() && isStatusOnlyError(error));
    if (redirected || !transferred)
        return UploadResult::RequestFailed;
    const std::optional<qint32> number = matchReply(head);
    return number ? resultForReply(*number) : UploadResult::RequestFailed;
}

} // namespace

UploadResult postUpload(const DestinationSettings& destination, const QByteArray& data,
                        const UploadOptions& options) {
    if (options.stop.stop_requested())
        return UploadResult::Stopped;
    const std::optional<QUrl> url = scriptUrl(destination);
    if (!url)
        return UploadResult::NoConnection;
    const UploadResult result = exchange(*url, encodeBody(data), options);
    // Qt schedules some of its objects for deferred deletion; on a thread without a running
    // event loop nothing else would ever delete them.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return result;
}
