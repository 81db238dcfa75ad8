#include "server/Site.h"

#include "formats/Reply.h"
#include "server/Api.h"
#include "server/Database.h"
#include "server/Passwords.h"
#include "server/RateLimit.h"
#include "server/UploadHandler.h"

#include <QDateTime>
#include <QHttpServerRequest>
#include <QUrl>
#include <QUrlQuery>

namespace {

constexpr qint64 kTableBodyLimit = 1 << 20;
constexpr qint64 kIslandsBodyLimit = 32 << 20;
constexpr qint64 kFormBodyLimit = 16 << 10;
constexpr qint64 kBoardPageEntries = 500;
constexpr int kMinPasswordLength = 6;
constexpr int kMaxDisplayName = 40;

const QByteArray kCommunityUpload = "/community/upload";
const QByteArray kIslandsUpload = "/islands/upload";
const QByteArray kRegister = "/islands/register";

// The path's segments, each percent-decoded on its own so that an encoded "/" stays inside
// its segment (titles may hold one).
QStringList PathParts(const QUrl& url) {
    QStringList parts;
    for (const QString& part :
         url.path(QUrl::FullyEncoded).split(QLatin1Char('/'), Qt::SkipEmptyParts))
        parts.append(QUrl::fromPercentEncoding(part.toLatin1()));
    return parts;
}

std::optional<qint32> Number(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

} // namespace

Site::Site(Database& database, const ServerConfig& config)
    : database(database), config(config), uploads(database, config.uploads),
      pages(config.siteName) {}

qint64 Site::MaxBody(QByteArrayView method, QByteArrayView path) {
    if (method != "POST")
        return 0;
    if (path == kCommunityUpload)
        return kTableBodyLimit;
    if (path == kIslandsUpload)
        return kIslandsBodyLimit;
    return path == kRegister ? kFormBodyLimit : 0;
}

QByteArray Site::RefusalBody(QByteArrayView path) {
    if (path == kCommunityUpload || path == kIslandsUpload)
        return replyLine(1);
    return "The request was refused.\n";
}

QString Site::ClientAddress(const QHttpServerRequest& request) const {
    const QHostAddress peer = request.remoteAddress();
    if (!config.trustedProxies.contains(peer))
        return peer.toString();
    // The address the nearest proxy saw is the last one it added.
    const QByteArray forwarded = request.value("X-Forwarded-For");
    const QString last = QString::fromLatin1(forwarded.split(',').last().trimmed());
    QHostAddress client;
    return client.setAddress(last) ? client.toString() : peer.toString();
}

HttpAnswer Site::Answer(const QHttpServerRequest& request) {
    const QByteArray path = request.url().path(QUrl::FullyEncoded).toLatin1();
    const bool post = request.method() == QHttpServerRequest::Method::Post;
    if (path == kCommunityUpload || path == kIslandsUpload) {
        if (!post) {
            HttpAnswer answer = Html(405, pages.Message(QStringLiteral("Upload address"),
                                                        QStringLiteral("Scorvane posts here.")));
            answer.headers.append(qMakePair(QByteArray("Allow"), QByteArray("POST")));
            return answer;
        }
        return Upload(path == kCommunityUpload
                          ? uploads.Table(request.body())
                          : uploads.Islands(request.body(), ClientAddress(request)));
    }
    if (post && path == kRegister)
        return Register(request);
    if (request.method() != QHttpServerRequest::Method::Get) {
        HttpAnswer answer = Html(405, pages.Message(QStringLiteral("Not allowed"),
                                                    QStringLiteral("Only GET works here.")));
        answer.headers.append(qMakePair(QByteArray("Allow"), QByteArray("GET")));
        return answer;
    }
    return Get(PathParts(request.url()));
}

HttpAnswer Site::Get(const QStringList& parts) {
    const QString first = parts.value(0);
    if (parts.isEmpty()) {
        const auto boards = Leaderboards(database).List();
        return boards ? Html(200, pages.Boards(*boards)) : Unavailable();
    }
    if (parts.size() == 1 && first == QLatin1String("style.css"))
        return {200, "text/css; charset=utf-8", Pages::StyleSheet(), {}};
    const bool api = first == QLatin1String("api") && parts.value(1) == QLatin1String("tables");
    if (api && parts.size() == 2) {
        const auto boards = Leaderboards(database).List();
        if (!boards)
            return Unavailable();
        return {200, "application/json", TablesJson(*boards), {}};
    }
    if ((api && parts.size() == 5) || (first == QLatin1String("board") && parts.size() == 4)) {
        const qsizetype at = api ? 2 : 1;
        const auto game = Number(parts[at]);
        const auto format = Number(parts[at + 1]);
        if (!game || !format)
            return NotFound();
        const auto board =
            Leaderboards(database).Find(*game, *format, parts[at + 2], kBoardPageEntries);
        if (!board)
            return Unavailable();
        if (board->summary.game == 0)
            return NotFound();
        if (api)
            return {200, "application/json", TableJson(*board), {}};
        return Html(200, pages.Board(*board));
    }
    if (first == QLatin1String("player") && parts.size() == 2) {
        const auto id = Number(parts[1]);
        const auto player = id ? Leaderboards(database).OfPlayer(*id) : std::nullopt;
        if (id && !player)
            return Unavailable();
        return player && !player->player.isEmpty() ? Html(200, pages.Player(*player)) : NotFound();
    }
    if (first == QLatin1String("islands") && parts.size() == 1) {
        const auto accounts = IslandStore(database).Accounts();
        return accounts ? Html(200, pages.IslandAccounts(*accounts)) : Unavailable();
    }
    if (first == QLatin1String("islands") && parts.size() == 2) {
        if (parts[1] == QLatin1String("register"))
            return Html(200, pages.Register({}));
        const auto id = Number(parts[1]);
        const auto account = id ? IslandStore(database).OfAccount(*id) : std::nullopt;
        if (id && !account)
            return Unavailable();
        return account && !account->player.isEmpty() ? Html(200, pages.Islands(*id, *account))
                                                     : NotFound();
    }
    return NotFound();
}

HttpAnswer Site::Register(const QHttpServerRequest& request) {
    // A form posts its fields percent-encoded, with "+" for spaces.
    QByteArray body = request.body();
    body.replace('+', ' ');
    const QUrlQuery fields(QString::fromUtf8(body));
    RegisterForm form;
    form.email = fields.queryItemValue(QStringLiteral("email"), QUrl::FullyDecoded).trimmed();
    form.displayName =
        fields.queryItemValue(QStringLiteral("name"), QUrl::FullyDecoded).simplified();
    const QString password = fields.queryItemValue(QStringLiteral("password"), QUrl::FullyDecoded);

    if (form.email.isEmpty() || form.email.size() > 254 || !IsAcceptableEmail(form.email.toUtf8()))
        form.problem = QStringLiteral("Enter an e-mail address with an @ that is neither its "
                                      "first nor its last character.");
    else if (password.size() < kMinPasswordLength || password.size() > 1024)
        form.problem =
            QStringLiteral("Choose a password of at least %1 characters.").arg(kMinPasswordLength);
    else if (form.displayName.size() > kMaxDisplayName)
        form.problem =
            QStringLiteral("Choose a name of at most %1 characters.").arg(kMaxDisplayName);
    if (!form.problem.isEmpty())
        return Html(400, pages.Register(form));

    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const auto admitted = AdmitAttempt(database, ClientAddress(request), "register",
                                       config.registrationsPerHour, 3600 * 1000, now);
    if (!admitted)
        return Unavailable();
    if (!*admitted) {
        form.problem = QStringLiteral("Too many registrations from your address. Please try "
                                      "again later.");
        return Html(429, pages.Register(form));
    }
    const QByteArray hash = HashPassword(password.toUtf8());
    if (hash.isEmpty())
        return Unavailable();
    const DbStatus status = IslandStore(database).Register(form.email, hash, form.displayName, now);
    if (status == DbStatus::Declined) {
        form.problem = QStringLiteral("This e-mail address is already registered.");
        return Html(409, pages.Register(form));
    }
    if (status != DbStatus::Ok)
        return Unavailable();
    const auto account = IslandStore(database).FindAccount(form.email);
    if (!account || !account->found)
        return Unavailable();
    return Html(200, pages.Registered(account->id));
}

HttpAnswer Site::Upload(int reply) const {
    // The program reads the start of the answer and never its status.
    return {200, "text/plain; charset=utf-8", replyLine(reply), {}};
}

HttpAnswer Site::Html(int status, QByteArray body) const {
    return {status, "text/html; charset=utf-8", std::move(body), {}};
}

HttpAnswer Site::NotFound() const {
    return Html(404, pages.Message(QStringLiteral("Not found"),
                                   QStringLiteral("There is nothing at this address.")));
}

HttpAnswer Site::Unavailable() const {
    return Html(503, pages.Message(QStringLiteral("Try again later"),
                                   QStringLiteral("The database is not available right now.")));
}
