#include "server/Database.h"

#include "server/Checkpointer.h"

#include <QMutex>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <QUrlQuery>
#include <QUuid>

#include <mutex>

namespace {

// SQLite lets one writer at a time in; the threads of this process queue here instead of
// polling the database's lock.
QMutex sqliteWriters;

constexpr int kSqliteBusyTimeoutMs = 2000;

bool IsWriteStatement(const char* sql) {
    const QByteArray start = QByteArray(sql).trimmed().left(6).toUpper();
    return start == "INSERT" || start == "UPDATE" || start == "DELETE" || start == "COMMIT";
}

DbStatus Classify(DatabaseUrl::Kind kind, const QSqlError& error, bool write) {
    const QString code = error.nativeErrorCode();
    if (kind == DatabaseUrl::Kind::Sqlite) {
        // Qt's SQLite driver reports failed steps as connection errors; the code tells.
        const int primary = code.toInt() & 0xFF;
        if (primary == 5 || primary == 6) // SQLITE_BUSY, SQLITE_LOCKED
            return DbStatus::Busy;
        if (primary == 14 || primary == 26) // SQLITE_CANTOPEN, SQLITE_NOTADB
            return DbStatus::Unavailable;
    } else {
        if (error.type() == QSqlError::ConnectionError)
            return DbStatus::Unavailable;
        // SQLSTATE: connection problems, conflicts between writers, a server going down.
        static const QStringList busy = {QStringLiteral("40001"), QStringLiteral("40P01"),
                                         QStringLiteral("55P03"), QStringLiteral("57P03"),
                                         QStringLiteral("53300")};
        if (code.isEmpty() || code.startsWith(QLatin1String("08")) ||
            code == QLatin1String("57P01") || code == QLatin1String("57P02"))
            return DbStatus::Unavailable;
        if (busy.contains(code))
            return DbStatus::Busy;
    }
    return write ? DbStatus::WriteFailed : DbStatus::Failed;
}

} // namespace

std::optional<DatabaseUrl> DatabaseUrl::Parse(const QString& text) {
    DatabaseUrl url;
    if (text.startsWith(QLatin1String("sqlite:"))) {
        url.path = text.mid(7);
        if (url.path.isEmpty())
            return std::nullopt;
        return url;
    }
    const QUrl parsed(text, QUrl::StrictMode);
    if (!parsed.isValid() || (parsed.scheme() != QLatin1String("postgresql") &&
                              parsed.scheme() != QLatin1String("postgres")))
        return std::nullopt;
    url.kind = Kind::Postgres;
    url.host = parsed.host();
    url.port = parsed.port(-1);
    url.user = parsed.userName();
    url.password = parsed.password();
    url.name = parsed.path().mid(1);
    QStringList options;
    for (const auto& [key, value] : QUrlQuery(parsed).queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host"))
            url.host = value;
        else
            options.append(key + QLatin1Char('=') + value);
    }
    url.options = options.join(QLatin1Char(';'));
    if (url.name.isEmpty() || url.name.contains(QLatin1Char('/')))
        return std::nullopt;
    return url;
}

QString DatabaseUrl::Display() const {
    if (kind == Kind::Sqlite)
        return QStringLiteral("sqlite:") + path;
    QString text = QStringLiteral("postgresql://") + user + QLatin1Char('@');
    text += host.startsWith(QLatin1Char('/')) ? QString() : host;
    if (port >= 0)
        text += QLatin1Char(':') + QString::number(port);
    text += QLatin1Char('/') + name;
    if (host.startsWith(QLatin1Char('/')))
        text += QStringLiteral("?host=") + host;
    return text;
}

Database::Database(const DatabaseUrl& url, const QString& connectionName)
    : url(url), connectionName(connectionName) {}

std::unique_ptr<Database> Database::Open(const DatabaseUrl& url, QString& error) {
    const QString name =
        QStringLiteral("scorvane-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    std::unique_ptr<Database> database(new Database(url, name));
    const bool sqlite = url.kind == DatabaseUrl::Kind::Sqlite;
    database->db = QSqlDatabase::addDatabase(
        sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), name);
    if (!database->db.isValid()) {
        error = QStringLiteral("the Qt SQL driver for %1 is not installed")
                    .arg(sqlite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL"));
        return nullptr;
    }
    if (sqlite) {
        database->db.setDatabaseName(url.path);
        database->db.setConnectOptions(
            QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kSqliteBusyTimeoutMs));
    } else {
        database->db.setHostName(url.host);
        if (url.port >= 0)
            database->db.setPort(url.port);
        database->db.setUserName(url.user);
        database->db.setPassword(url.password);
        database->db.setDatabaseName(url.name);
        // A database that cannot be reached must not hold requests for long.
        QString options = url.options;
        if (!options.contains(QLatin1String("connect_timeout")))
            options += (options.isEmpty() ? QString() : QStringLiteral(";")) +
                       QStringLiteral("connect_timeout=5");
        database->db.setConnectOptions(options);
    }
    if (!database->db.open()) {
        error = database->db.lastError().text();
        return nullptr;
    }
    if (!database->Configure(error))
        return nullptr;
    return database;
}

Database::~Database() {
    prepared.clear();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName);
}

bool Database::EnsureOpen() {
    if (db.isOpen())
        return true;
    prepared.clear();
    if (!db.open())
        return false;
    QString ignored;
    return Configure(ignored);
}

bool Database::Execute(const QString& sql) {
    if (!db.isOpen()) {
        lastStatus = DbStatus::Unavailable;
        return false;
    }
    QSqlQuery query(db);
    if (query.exec(sql)) {
        lastStatus = DbStatus::Ok;
        return true;
    }
    Fail(query.lastError(), sql.startsWith(QLatin1String("COMMIT")) ? "COMMIT" : "");
    return false;
}

bool Database::Configure(QString& error) {
    // SQLite: a write-ahead log, so that pages are read while an upload is written; commits
    // reach the disk at checkpoints unless a transaction asks for more (see Transact). Pages
    // are read through a memory map, and a statement's own undo data stays in memory.
    // PostgreSQL: commits of table uploads do not wait for the disk either; island uploads do.
    const QStringList statements =
        url.kind == DatabaseUrl::Kind::Sqlite
            ? QStringList{QStringLiteral("PRAGMA journal_mode=WAL"),
                          QStringLiteral("PRAGMA synchronous=NORMAL"),
                          QStringLiteral("PRAGMA wal_autocheckpoint=%1")
                              .arg(kWriterCheckpointPages),
                          QStringLiteral("PRAGMA temp_store=MEMORY"),
                          QStringLiteral("PRAGMA mmap_size=1073741824"),
                          QStringLiteral("PRAGMA cache_size=-16384"),
                          QStringLiteral("PRAGMA foreign_keys=ON")}
            : QStringList{QStringLiteral("SET synchronous_commit TO off"),
                          QStringLiteral("SET client_min_messages TO warning")};
    for (const QString& sql : statements) {
        if (!Execute(sql)) {
            error = QStringLiteral("%1: %2").arg(sql, db.lastError().text());
            return false;
        }
    }
    return true;
}

void Database::Fail(const QSqlError& error, const char* sql) {
    lastStatus = Classify(url.kind, error, IsWriteStatement(sql));
    if (lastStatus == DbStatus::Unavailable) {
        // Start afresh with the next request.
        prepared.clear();
        db.close();
    }
    if (lastStatus != DbStatus::Busy)
        qWarning("database: %s", qPrintable(error.text()));
}

QSqlQuery* Database::Run(const char* sql, const QVariantList& values) {
    // A connection lost inside a transaction stays lost: its statements must not go on
    // outside of it.
    if (!(inTransaction ? db.isOpen() : EnsureOpen())) {
        lastStatus = DbStatus::Unavailable;
        return nullptr;
    }
    auto found = prepared.find(sql);
    if (found == prepared.end()) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.prepare(QString::fromLatin1(sql))) {
            Fail(query.lastError(), sql);
            return nullptr;
        }
        found = prepared.emplace(sql, std::move(query)).first;
    }
    QSqlQuery& query = found->second;
    query.finish();
    for (qsizetype i = 0; i < values.size(); ++i) {
        // Texts are never NULL here: an empty QString may be a null one.
        const QVariant& value = values[i];
        const bool nullText = value.typeId() == QMetaType::QString && value.toString().isNull();
        query.bindValue(int(i), nullText ? QVariant(QStringLiteral("")) : value);
    }
    if (!query.exec()) {
        Fail(query.lastError(), sql);
        return nullptr;
    }
    lastStatus = DbStatus::Ok;
    return &query;
}

std::optional<QVariant> Database::Value(const char* sql, const QVariantList& values) {
    QSqlQuery* query = Run(sql, values);
    if (!query)
        return std::nullopt;
    std::optional<QVariant> value;
    if (query->next())
        value = query->value(0);
    query->finish();
    return value;
}

DbStatus Database::Transact(Durability durability, const std::function<bool()>& work) {
    if (!EnsureOpen())
        return lastStatus = DbStatus::Unavailable;
    const bool sqlite = url.kind == DatabaseUrl::Kind::Sqlite;
    std::unique_lock<QMutex> writers(sqliteWriters, std::defer_lock);
    if (sqlite)
        writers.lock();
    const bool full = durability == Durability::Full;
    if (sqlite && full && !Execute(QStringLiteral("PRAGMA synchronous=FULL")))
        return lastStatus;
    inTransaction = true;
    // SQLite takes prepared transaction statements; PostgreSQL does not prepare them.
    const bool begun =
        sqlite ? Run("BEGIN IMMEDIATE") != nullptr
               : Execute(QStringLiteral("BEGIN")) &&
                     (!full || Execute(QStringLiteral("SET LOCAL synchronous_commit TO on")));
    DbStatus status = DbStatus::Ok;
    if (!begun)
        status = lastStatus;
    else if (!work())
        status = lastStatus == DbStatus::Ok ? DbStatus::Declined : lastStatus;
    else if (!(sqlite ? Run("COMMIT") != nullptr : Execute(QStringLiteral("COMMIT"))))
        status = lastStatus;
    if (status != DbStatus::Ok) {
        for (auto& entry : prepared)
            entry.second.finish();
        if (begun && db.isOpen())
            Execute(QStringLiteral("ROLLBACK"));
        lastStatus = status;
    }
    inTransaction = false;
    if (sqlite && full && db.isOpen())
        Execute(QStringLiteral("PRAGMA synchronous=NORMAL"));
    return status;
}
