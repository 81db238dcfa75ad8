#include "server/RateLimit.h"

#include "server/Database.h"

std::optional<bool> AdmitAttempt(Database& database, const QString& address, const char* kind,
                                 int limit, qint64 windowMs, qint64 now) {
    bool admitted = false;
    const DbStatus status = database.Transact(Durability::Normal, [&] {
        const QString what = QString::fromLatin1(kind);
        const std::optional<QVariant> recent = database.Value(
            "SELECT COUNT(*) FROM rate_events WHERE address = ? AND kind = ? AND happened > ?",
            {address, what, now - windowMs});
        if (!recent)
            return false;
        admitted = recent->toLongLong() < limit;
        if (!admitted)
            return true;
        // The first attempt of an address in a window clears out everyone's old attempts.
        if (recent->toLongLong() == 0 &&
            !database.Run("DELETE FROM rate_events WHERE happened <= ?", {now - windowMs}))
            return false;
        return database.Run("INSERT INTO rate_events (address, kind, happened) VALUES (?, ?, ?)",
                            {address, what, now}) != nullptr;
    });
    if (status != DbStatus::Ok)
        return std::nullopt;
    return admitted;
}
