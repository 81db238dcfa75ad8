#include "server/Pages.h"

#include <QDateTime>
#include <QUrl>

namespace {

QString Escaped(const QString& text) {
    return text.toHtmlEscaped();
}

QString Link(const QString& href, const QString& text) {
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(Escaped(href), Escaped(text));
}

QString PlayerCell(qint64 playerId, const QString& player) {
    if (playerId == 0)
        return QStringLiteral("<span class=\"anonymous\">anonymous</span>");
    return Link(QStringLiteral("/player/%1").arg(playerId), player);
}

QString Cell(const QString& text, const char* cls = nullptr) {
    if (cls)
        return QStringLiteral("<td class=\"%1\">%2</td>").arg(QLatin1String(cls), text);
    return QStringLiteral("<td>") + text + QStringLiteral("</td>");
}

QString Row(const QStringList& cells) {
    return QStringLiteral("<tr>") + cells.join(QString()) + QStringLiteral("</tr>\n");
}

QString Table(const QStringList& headings, const QString& rows) {
    QString head;
    for (const QString& heading : headings)
        head += QStringLiteral("<th>") + heading + QStringLiteral("</th>");
    return QStringLiteral("<table>\n<thead><tr>") + head +
           QStringLiteral("</tr></thead>\n<tbody>\n") + rows +
           QStringLiteral("</tbody>\n</table>\n");
}

QString GameLine(qint32 game, qint32 format) {
    return QStringLiteral("<p class=\"meta\">Game %1, format %2</p>\n").arg(game).arg(format);
}

} // namespace

QString PageTime(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'"));
}

QString IsoTime(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(Qt::ISODate);
}

QString Pages::BoardPath(qint32 game, qint32 format, const QString& title) {
    return QStringLiteral("/board/%1/%2/").arg(game).arg(format) +
           QString::fromLatin1(QUrl::toPercentEncoding(title));
}

QByteArray Pages::Page(const QString& title, const QString& content) const {
    const QString page =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<title>%1 · %2</title>\n<link rel=\"stylesheet\" href=\"/style.css\">\n"
                       "</head>\n<body>\n<header><a class=\"site\" href=\"/\">%2</a>\n<nav>"
                       "<a href=\"/\">Leaderboards</a> <a href=\"/islands\">Islands</a> "
                       "<a href=\"/islands/register\">Register</a></nav></header>\n"
                       "<main>\n<h1>%1</h1>\n%3</main>\n</body>\n</html>\n")
            .arg(Escaped(title), Escaped(siteName), content);
    return page.toUtf8();
}

QByteArray Pages::Boards(const std::vector<BoardSummary>& boards) const {
    if (boards.empty())
        return Page(QStringLiteral("Leaderboards"),
                    QStringLiteral("<p>Nothing has been published yet.</p>\n"));
    QString rows;
    for (const BoardSummary& board : boards)
        rows += Row({Cell(Link(BoardPath(board.game, board.format, board.title), board.title)),
                     Cell(QString::number(board.game), "number"),
                     Cell(QString::number(board.format), "number"),
                     Cell(QString::number(board.entries), "number")});
    return Page(QStringLiteral("Leaderboards"),
                Table({QStringLiteral("Table"), QStringLiteral("Game"), QStringLiteral("Format"),
                       QStringLiteral("Entries")},
                      rows));
}

QByteArray Pages::Board(const ::Board& board) const {
    QString rows;
    for (const BoardEntry& entry : board.entries)
        rows += Row({Cell(QString::number(entry.rank), "number"), Cell(Escaped(entry.name), "name"),
                     Cell(QString::number(entry.score), "number"), Cell(Escaped(entry.extra)),
                     Cell(PlayerCell(entry.playerId, entry.player)),
                     Cell(PageTime(entry.submitted), "time")});
    QString content = GameLine(board.summary.game, board.summary.format);
    if (board.entries.empty()) {
        content += QStringLiteral("<p>No entries.</p>\n");
    } else {
        content +=
            Table({QStringLiteral("Rank"), QStringLiteral("Name"), QStringLiteral("Score"),
                   QStringLiteral("Extra"), QStringLiteral("Submitted by"), QStringLiteral("When")},
                  rows);
        if (qint64(board.entries.size()) < board.summary.entries)
            content += QStringLiteral("<p class=\"meta\">The best %1 of %2 entries.</p>\n")
                           .arg(board.entries.size())
                           .arg(board.summary.entries);
    }
    return Page(board.summary.title, content);
}

QByteArray Pages::Player(const PlayerEntries& player) const {
    QString rows;
    for (const PlayerEntry& item : player.entries)
        rows +=
            Row({Cell(Link(BoardPath(item.board.game, item.board.format, item.board.title),
                           item.board.title)),
                 Cell(QString::number(item.entry.rank), "number"),
                 Cell(Escaped(item.entry.name), "name"),
                 Cell(QString::number(item.entry.score), "number"), Cell(Escaped(item.entry.extra)),
                 Cell(PageTime(item.entry.submitted), "time")});
    const QString content =
        player.entries.empty()
            ? QStringLiteral("<p>No entries.</p>\n")
            : Table({QStringLiteral("Table"), QStringLiteral("Rank"), QStringLiteral("Name"),
                     QStringLiteral("Score"), QStringLiteral("Extra"), QStringLiteral("When")},
                    rows);
    return Page(player.player, content);
}

QByteArray Pages::IslandAccounts(const std::vector<IslandAccountSummary>& accounts) const {
    QString rows;
    for (const IslandAccountSummary& account : accounts)
        rows +=
            Row({Cell(Link(QStringLiteral("/islands/%1").arg(account.playerId), account.player)),
                 Cell(QString::number(account.islands), "number"),
                 Cell(PageTime(account.lastReceived), "time")});
    const QString content = accounts.empty()
                                ? QStringLiteral("<p>No islands have been published yet.</p>\n")
                                : Table({QStringLiteral("Account"), QStringLiteral("Islands"),
                                         QStringLiteral("Last upload")},
                                        rows);
    return Page(QStringLiteral("Islands"), content);
}

QByteArray Pages::Islands(qint64 playerId, const AccountIslands& account) const {
    QString rows;
    for (const StoredIsland& island : account.islands)
        rows += Row({Cell(Escaped(island.name), "name"), Cell(Escaped(island.islandId)),
                     Cell(QString::number(island.size), "number"),
                     Cell(QString::number(island.versions), "number"),
                     Cell(PageTime(island.received), "time")});
    QString content = QStringLiteral("<p class=\"meta\">%1</p>\n")
                          .arg(Link(QStringLiteral("/player/%1").arg(playerId),
                                    QStringLiteral("Leaderboard entries")));
    content += account.islands.empty()
                   ? QStringLiteral("<p>No islands yet.</p>\n")
                   : Table({QStringLiteral("Island"), QStringLiteral("Id"), QStringLiteral("Bytes"),
                            QStringLiteral("Versions"), QStringLiteral("Received")},
                           rows);
    return Page(QStringLiteral("Islands of ") + account.player, content);
}

QByteArray Pages::Register(const RegisterForm& form) const {
    QString content;
    if (!form.problem.isEmpty())
        content += QStringLiteral("<p class=\"problem\">%1</p>\n").arg(Escaped(form.problem));
    content +=
        QStringLiteral("<p>An islands account lets Scorvane publish your islands here. Enter the "
                       "same e-mail address and password in Scorvane's options.</p>\n"
                       "<form method=\"post\" action=\"/islands/register\">\n"
                       "<label>E-mail address <input type=\"email\" name=\"email\" value=\"%1\" "
                       "required></label>\n"
                       "<label>Password <input type=\"password\" name=\"password\" required "
                       "minlength=\"6\"></label>\n"
                       "<label>Name shown on this site (optional) <input type=\"text\" "
                       "name=\"name\" value=\"%2\" maxlength=\"40\"></label>\n"
                       "<button type=\"submit\">Register</button>\n</form>\n")
            .arg(Escaped(form.email), Escaped(form.displayName));
    return Page(QStringLiteral("Register for islands"), content);
}

QByteArray Pages::Registered(qint64 playerId) const {
    return Page(
        QStringLiteral("Registered"),
        QStringLiteral("<p>Your account is ready. Your islands will appear %1.</p>\n")
            .arg(Link(QStringLiteral("/islands/%1").arg(playerId), QStringLiteral("here"))));
}

QByteArray Pages::Message(const QString& heading, const QString& text) const {
    return Page(heading, QStringLiteral("<p>") + Escaped(text) + QStringLiteral("</p>\n"));
}

QByteArray Pages::StyleSheet() {
    return "body{font-family:system-ui,sans-serif;margin:0;color:#1d2733;background:#f4f6f8}\n"
           "header{background:#23415c;padding:.8em 1.5em;display:flex;gap:2em;"
           "align-items:baseline}\n"
           "header a{color:#fff;text-decoration:none}\n"
           "header .site{font-weight:600;font-size:1.2em}\n"
           "nav a{margin-right:1.2em;opacity:.85}\n"
           "main{max-width:60em;margin:1.5em auto;padding:0 1.5em}\n"
           "h1{font-weight:600;margin:.2em 0 .4em}\n"
           ".meta{color:#5b6b7a;margin-top:0}\n"
           "table{border-collapse:collapse;width:100%;background:#fff;"
           "box-shadow:0 1px 2px #0002}\n"
           "th,td{padding:.45em .8em;text-align:left;border-bottom:1px solid #e3e8ee}\n"
           "th{background:#e9eef3;font-weight:600}\n"
           "td.number{text-align:right;font-variant-numeric:tabular-nums}\n"
           "td.time{color:#5b6b7a;white-space:nowrap}\n"
           "tbody tr:nth-child(-n+3) td.name{font-weight:600}\n"
           ".anonymous{color:#8a97a3}\n"
           ".problem{color:#a32020;font-weight:600}\n"
           "form{display:grid;gap:.8em;max-width:24em}\n"
           "label{display:grid;gap:.2em}\n"
           "input,button{font:inherit;padding:.35em .5em}\n"
           "a{color:#1f5f99}\n";
}
