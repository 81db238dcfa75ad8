#include "server/Leaderboards.h"

#include "server/Database.h"
#include "server/Players.h"

#include <QByteArray>
#include <algorithm>

namespace {

constexpr std::size_t kRowsPerInsert = 25;

// "INSERT INTO entries ... VALUES (...), (...)" for 1 to kRowsPerInsert rows, kept for the
// life of the process: prepared statements are keyed by their text's address.
const char* InsertEntries(std::size_t rows) {
    static const std::vector<QByteArray> texts = [] {
        std::vector<QByteArray> out(kRowsPerInsert + 1);
        QByteArray values;
        for (std::size_t n = 1; n <= kRowsPerInsert; ++n) {
            values += n == 1 ? "(?, ?, ?, ?, ?, ?, ?)" : ", (?, ?, ?, ?, ?, ?, ?)";
            out[n] = "INSERT INTO entries (board_id, player_id, entry_key, name, score, extra, "
                     "submitted) VALUES " +
                     values + " ON CONFLICT (board_id, entry_key) DO NOTHING";
        }
        return out;
    }();
    return texts[rows].constData();
}

QString BoardKey(qint32 game, qint32 format, const QString& title) {
    const QString numbers = QStringLiteral("%1|%2").arg(game).arg(format);
    return QString::fromLatin1(TextKey({numbers, title}));
}

} // namespace

DbStatus Leaderboards::Store(const TableSubmission& submission) {
    const QString boardKey = BoardKey(submission.game, submission.format, submission.title);
    return database.Transact(Durability::Normal, [&] {
        std::optional<QVariant> board =
            database.Value("SELECT id FROM boards WHERE board_key = ?", {boardKey});
        if (!board) {
            if (!database.Run("INSERT INTO boards (board_key, game, format, title) "
                              "VALUES (?, ?, ?, ?) ON CONFLICT (board_key) DO NOTHING",
                              {boardKey, submission.game, submission.format, submission.title}))
                return false;
            board = database.Value("SELECT id FROM boards WHERE board_key = ?", {boardKey});
            if (!board)
                return false;
        }
        QVariant player(QMetaType::fromType<qint64>());
        if (!submission.email.isEmpty()) {
            const std::optional<qint64> id =
                FindOrAddPlayer(database, submission.email, submission.when);
            if (!id)
                return false;
            player = *id;
        }
        const QString submitter = submission.email.toLower();
        const auto& records = submission.records;
        for (std::size_t first = 0; first < records.size(); first += kRowsPerInsert) {
            const std::size_t rows = std::min(kRowsPerInsert, records.size() - first);
            QVariantList values;
            values.reserve(qsizetype(rows * 7));
            for (std::size_t i = first; i < first + rows; ++i) {
                const SubmittedRecord& record = records[i];
                const QString key = QString::fromLatin1(
                    TextKey({submitter, record.name, QString::number(record.score), record.extra}));
                values << *board << player << key << record.name << record.score << record.extra
                       << submission.when;
            }
            if (!database.Run(InsertEntries(rows), values))
                return false;
        }
        return true;
    });
}

std::optional<std::vector<BoardSummary>> Leaderboards::List() {
    QSqlQuery* query = database.Run("SELECT b.game, b.format, b.title, COUNT(e.id) FROM boards b "
                                    "LEFT JOIN entries e ON e.board_id = b.id "
                                    "GROUP BY b.id, b.game, b.format, b.title "
                                    "ORDER BY b.title, b.game, b.format");
    if (!query)
        return std::nullopt;
    std::vector<BoardSummary> boards;
    while (query->next())
        boards.push_back({query->value(0).toInt(), query->value(1).toInt(),
                          query->value(2).toString(), query->value(3).toLongLong()});
    query->finish();
    return boards;
}

std::optional<Board> Leaderboards::Find(qint32 game, qint32 format, const QString& title,
                                        qint64 limit) {
    Board board;
    const std::optional<QVariant> id = database.Value("SELECT id FROM boards WHERE board_key = ?",
                                                      {BoardKey(game, format, title)});
    if (!id)
        return database.LastStatus() == DbStatus::Ok ? std::optional<Board>(board) : std::nullopt;
    const std::optional<QVariant> count =
        database.Value("SELECT COUNT(*) FROM entries WHERE board_id = ?", {*id});
    if (!count)
        return std::nullopt;
    board.summary = {game, format, title, count->toLongLong()};
    QSqlQuery* query = database.Run(
        "SELECT e.name, e.score, e.extra, e.submitted, e.player_id, p.display_name "
        "FROM entries e LEFT JOIN players p ON p.id = e.player_id WHERE e.board_id = ? "
        "ORDER BY e.score DESC, e.id LIMIT ?",
        {*id, limit});
    if (!query)
        return std::nullopt;
    while (query->next()) {
        BoardEntry entry;
        entry.name = query->value(0).toString();
        entry.score = query->value(1).toInt();
        entry.extra = query->value(2).toString();
        entry.submitted = query->value(3).toLongLong();
        entry.playerId = query->value(4).isNull() ? 0 : query->value(4).toLongLong();
        if (entry.playerId != 0)
            entry.player = PlayerLabel(entry.playerId, query->value(5).toString());
        const bool tie = !board.entries.empty() && board.entries.back().score == entry.score;
        entry.rank = tie ? board.entries.back().rank : qint64(board.entries.size()) + 1;
        board.entries.push_back(std::move(entry));
    }
    query->finish();
    return board;
}

std::optional<PlayerEntries> Leaderboards::OfPlayer(qint64 playerId) {
    PlayerEntries out;
    const std::optional<QVariant> name =
        database.Value("SELECT COALESCE(display_name, '') FROM players WHERE id = ?", {playerId});
    if (!name)
        return database.LastStatus() == DbStatus::Ok ? std::optional<PlayerEntries>(out)
                                                     : std::nullopt;
    out.player = PlayerLabel(playerId, name->toString());
    QSqlQuery* query =
        database.Run("SELECT b.game, b.format, b.title, e.name, e.score, e.extra, e.submitted, "
                     "(SELECT COUNT(*) FROM entries better WHERE better.board_id = e.board_id "
                     "AND better.score > e.score) + 1 "
                     "FROM entries e JOIN boards b ON b.id = e.board_id WHERE e.player_id = ? "
                     "ORDER BY b.title, b.game, b.format, e.score DESC, e.id",
                     {playerId});
    if (!query)
        return std::nullopt;
    while (query->next()) {
        PlayerEntry item;
        item.board = {query->value(0).toInt(), query->value(1).toInt(), query->value(2).toString(),
                      0};
        item.entry.name = query->value(3).toString();
        item.entry.score = query->value(4).toInt();
        item.entry.extra = query->value(5).toString();
        item.entry.submitted = query->value(6).toLongLong();
        item.entry.rank = query->value(7).toLongLong();
        item.entry.playerId = playerId;
        item.entry.player = out.player;
        out.entries.push_back(std::move(item));
    }
    query->finish();
    return out;
}
