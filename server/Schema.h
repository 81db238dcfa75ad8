#pragma once

#include <QString>

class Database;

// Brings the database's schema to the newest version this server knows, one step at a time,
// each recorded in the table schema_version. Several servers starting at once on one
// PostgreSQL database take turns. False with a message when the database holds a newer
// schema or a step failed; nothing of a failed step stays.
bool MigrateSchema(Database& database, QString& error);
