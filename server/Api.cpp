#include "server/Api.h"

#include "server/Pages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject Summary(const BoardSummary& board) {
    return {{QStringLiteral("game"), board.game},
            {QStringLiteral("format"), board.format},
            {QStringLiteral("title"), board.title},
            {QStringLiteral("entries"), board.entries}};
}

} // namespace

QByteArray TablesJson(const std::vector<BoardSummary>& boards) {
    QJsonArray list;
    for (const BoardSummary& board : boards)
        list.append(Summary(board));
    return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

QByteArray TableJson(const Board& board) {
    QJsonArray entries;
    for (const BoardEntry& entry : board.entries) {
        QJsonObject item{{QStringLiteral("rank"), entry.rank},
                         {QStringLiteral("name"), entry.name},
                         {QStringLiteral("score"), entry.score},
                         {QStringLiteral("extra"), entry.extra},
                         {QStringLiteral("submitted"), IsoTime(entry.submitted)}};
        if (entry.playerId != 0)
            item.insert(QStringLiteral("player"), entry.player);
        entries.append(item);
    }
    QJsonObject table = Summary(board.summary);
    table.insert(QStringLiteral("entries"), entries);
    table.insert(QStringLiteral("count"), board.summary.entries);
    return QJsonDocument(table).toJson(QJsonDocument::Compact);
}
