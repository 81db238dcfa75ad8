#include "server/Players.h"

#include "server/Database.h"

#include <QCryptographicHash>

QByteArray TextKey(std::initializer_list<QStringView> parts) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    bool first = true;
    for (QStringView part : parts) {
        if (!first)
            hash.addData("\x1f");
        hash.addData(part.toUtf8());
        first = false;
    }
    return hash.result().toHex();
}

std::optional<qint64> FindOrAddPlayer(Database& database, const QString& email, qint64 now) {
    const QString key = QString::fromLatin1(TextKey({email.toLower()}));
    if (auto id = database.Value("SELECT id FROM players WHERE email_key = ?", {key}))
        return id->toLongLong();
    if (database.LastStatus() != DbStatus::Ok)
        return std::nullopt;
    if (!database.Run("INSERT INTO players (email_key, email, created) VALUES (?, ?, ?) "
                      "ON CONFLICT (email_key) DO NOTHING",
                      {key, email, now}))
        return std::nullopt;
    if (auto id = database.Value("SELECT id FROM players WHERE email_key = ?", {key}))
        return id->toLongLong();
    return std::nullopt;
}

QString PlayerLabel(qint64 id, const QString& displayName) {
    return displayName.isEmpty() ? QStringLiteral("Player %1").arg(id) : displayName;
}
