#pragma once

// Players are known by e-mail address: the submitter of table uploads and the owner of an
// islands account. Pages never show the address: a player appears under the name they chose
// when registering, or anonymised as "Player N".

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

class Database;

// Lowercase hex SHA-256 of the parts joined by a unit separator: the unique key of a text
// that may be too long to index itself.
QByteArray TextKey(std::initializer_list<QStringView> parts);

// The player with this address (compared without regard to case), added when missing.
// Empty when a statement failed; the database's status tells why.
std::optional<qint64> FindOrAddPlayer(Database& database, const QString& email, qint64 now);

// How pages show a player.
QString PlayerLabel(qint64 id, const QString& displayName);
