#pragma once

// Decides the answer to an upload and stores what it accepts. The answer is one of the reply
// numbers the program understands:
//
//    0  stored (or nothing new to store)      7  no account with this e-mail address
//    1  the data is malformed                 8  wrong password
//    2  the database cannot be reached        9  the e-mail address breaks the program's rule
//    3  storing failed                       10  busy, or too many attempts: try again later
//    4  the game is not on the allow-list    11  anything unexpected (logged)
//    6  the table's digest does not match    12  an island reuses a completed island's id

#include <QByteArrayView>
#include <QSet>
#include <QString>
#include <optional>

class Database;
enum class DbStatus;

struct UploadPolicy {
    std::optional<QSet<qint32>> allowedGames; // empty: every game
    int islandsUploadsPerHour = 60;           // per client address
};

class UploadHandler {
public:
    UploadHandler(Database& database, const UploadPolicy& policy)
        : database(database), policy(policy) {}

    // POST /community/upload: a table upload's body as received.
    int Table(QByteArrayView body);
    // POST /islands/upload: an islands upload's body as received, from clientAddress.
    int Islands(QByteArrayView body, const QString& clientAddress);

private:
    int TableReply(QByteArrayView body);
    int IslandsReply(QByteArrayView body, const QString& clientAddress);

    Database& database;
    const UploadPolicy& policy;
};

// The reply for a database outcome other than success.
int ReplyForFailure(DbStatus status);

// The program's e-mail rule, over an address's bytes as they arrived: empty, or its first
// "@" neither its first nor its last byte.
bool IsAcceptableEmail(QByteArrayView address);
