#include "publish/UploadSource.h"

#include "device/TextCodec.h"
#include "publish/PublishResult.h"
#include "publish/ReplyPattern.h"
#include "publish/UploadBody.h"
#include "scores/HighscoreSource.h"
#include "ui/Settings.h"

#include <QAuthenticator>
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

const char* const kUserAgent = "Scorvane";
const char* const kContentType = "multipart/form-data";

// The system's proxy settings, except for this machine itself.
class CSystemProxyFactory final : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        const QString host = query.peerHostName();
        QHostAddress address;
        if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
            (address.setAddress(host) && address.isLoopback()))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        QList<QNetworkProxy> proxies = systemProxyForQuery(query);
        if (proxies.isEmpty())
            proxies.append(QNetworkProxy(QNetworkProxy::NoProxy));
        return proxies;
    }
};

// The request URL, or nothing when the server text is no usable host (with an optional
// port): empty, with user information, or with anything that belongs to a path.
std::optional<QUrl> RequestUrl(const UploadTarget& target) {
    const QString scheme = target.secure ? QStringLiteral("https") : QStringLiteral("http");
    const QString server = QStringFromNarrow(target.server);
    const QUrl origin(scheme + QStringLiteral("://") + server, QUrl::StrictMode);
    if (!origin.isValid() || origin.host().isEmpty() || !origin.userInfo().isEmpty() ||
        !origin.path().isEmpty() || origin.hasQuery() || origin.hasFragment())
        return std::nullopt;
    const int explicitPort = origin.port(-1);
    if (explicitPort == 0)
        return std::nullopt;
    const QString path =
        target.scriptPath.empty() ? QStringLiteral("/") : QStringFromNarrow(target.scriptPath);
    QUrl url(scheme + QStringLiteral("://") + server + path, QUrl::TolerantMode);
    if (!url.isValid() || url.host() != origin.host())
        return std::nullopt;
    const int defaultPort = target.secure ? 443 : 80;
    if (explicitPort == -1 && target.port != 0 && int(target.port) != defaultPort)
        url.setPort(int(target.port));
    return url;
}

// Errors that only carry the HTTP status of a complete answer; its body is still read, as
// the status is not consulted.
bool IsStatusOnlyError(QNetworkReply::NetworkError error) {
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

} // namespace

int PostUpload(const UploadTarget& target, const QByteArray& body, const UploadOptions& options) {
    const std::optional<QUrl> url = RequestUrl(target);
    if (!url)
        return UPLOAD_NO_CONNECTION;

    int result = UPLOAD_REQUEST_FAILED;
    {
        // The loop first: it gives a thread that Qt did not start its event dispatcher, which
        // the transfer timer needs.
        QEventLoop loop;
        QNetworkAccessManager manager;
        manager.setProxyFactory(new CSystemProxyFactory);
        manager.setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
        const QString userName = QStringFromNarrow(target.userName);
        const QString password = QStringFromNarrow(target.password);
        bool credentialsGiven = false;
        QObject::connect(&manager, &QNetworkAccessManager::authenticationRequired, &loop,
                         [&](QNetworkReply*, QAuthenticator* authenticator) {
                             // Once only: wrong credentials must not loop.
                             if (userName.isEmpty() || credentialsGiven)
                                 return;
                             credentialsGiven = true;
                             authenticator->setUser(userName);
                             authenticator->setPassword(password);
                         });

        QNetworkRequest request(*url);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray(kContentType));
        request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kUserAgent));
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::ManualRedirectPolicy);
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        request.setTransferTimeout(options.transferTimeoutMs > 0 ? options.transferTimeoutMs
                                                                 : 60000);
        if (target.secure && !options.caCertificates.isEmpty()) {
            QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
            tls.addCaCertificates(options.caCertificates);
            request.setSslConfiguration(tls);
        }

        std::unique_ptr<QNetworkReply> reply(manager.post(request, body));
        // The stop may come from another thread: the abort is handed to this thread's loop.
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
            head += reply->read(qint64(kReplyReadLimit) - head.size());
            if (head.size() >= qsizetype(kReplyReadLimit)) {
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

        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const bool redirected = status.isValid() && status.toInt() >= 300 && status.toInt() < 400;
        const QNetworkReply::NetworkError error = reply->error();
        const bool transferred = haveEnough || error == QNetworkReply::NoError ||
                                 (status.isValid() && IsStatusOnlyError(error));
        if (stopped)
            result = PUBLISH_STOPPED;
        else if (!redirected && transferred && !head.isEmpty())
            result = ResultForReply(head.constData(), std::size_t(head.size()));
        reply.reset();
    }
    // Qt schedules some of its objects for deferred deletion; on a thread without a running
    // event loop nothing else would ever delete them.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return result;
}

int UploadSource(CHighscoreSource& source, const CSettings& settings,
                 const UploadOptions& options) {
    if (options.stop.stop_requested())
        return PUBLISH_STOPPED;
    ByteBuffer data;
    if (!source.BuildUploadBody(settings, data))
        return UPLOAD_NOTHING_TO_SEND;
    UploadTarget target;
    if (!source.GetUploadTarget(settings, target.server, target.port, target.userName,
                                target.password, target.scriptPath))
        return UPLOAD_NOTHING_TO_SEND;
    target.secure = settings.IsSecureTarget(target.server, target.scriptPath);

    const std::string encoded = EncodeBody(data.View());
    data.Clear();
    return PostUpload(target, QByteArray(encoded.data(), qsizetype(encoded.size())), options);
}
