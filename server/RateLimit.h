#pragma once

#include <QString>
#include <optional>

class Database;

// Attempts of one kind (registrations, islands uploads) from one address, counted in the
// database over a sliding window, so that every server sharing the database counts them.
// Records the attempt and returns true while the address has made fewer than limit
// attempts in the window; false (and nothing recorded) beyond. Empty when the database failed.
std::optional<bool> AdmitAttempt(Database& database, const QString& address, const char* kind,
                                 int limit, qint64 windowMs, qint64 now);
