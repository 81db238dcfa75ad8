// Upload bodies come from anyone who can reach the server. The first byte picks the address
// (table or islands upload) and whether the rest is sent encoded as the program encodes, so
// that most inputs reach the layouts behind the encoding. Whatever the input, the answer is a
// reply number, no database failure arises, and a refused upload stores nothing.
#include "formats/UploadData.h"
#include "server/Database.h"
#include "server/IslandStore.h"
#include "server/Schema.h"
#include "server/UploadHandler.h"

#include <QCoreApplication>
#include <QDateTime>
#include <cstdlib>
#include <sodium.h>

namespace {

struct Server {
    Server() {
        if (sodium_init() < 0)
            std::abort();
        QString error;
        database = Database::Open(*DatabaseUrl::Parse(QStringLiteral("sqlite::memory:")), error);
        if (!database || !MigrateSchema(*database, error))
            std::abort();
        // The seeds' account, with the cheapest hash so that checking it costs nothing.
        char hash[crypto_pwhash_STRBYTES];
        if (crypto_pwhash_str_alg(hash, "pw", 2, crypto_pwhash_OPSLIMIT_MIN,
                                  crypto_pwhash_MEMLIMIT_MIN, crypto_pwhash_ALG_ARGON2ID13) != 0 ||
            IslandStore(*database).Register(QStringLiteral("me@sky.example"), hash, {},
                                            QDateTime::currentMSecsSinceEpoch()) != DbStatus::Ok)
            std::abort();
        policy.islandsUploadsPerHour = 1 << 30;
    }

    qint64 Stored() {
        return database
            ->Value("SELECT (SELECT COUNT(*) FROM entries) + "
                    "(SELECT COUNT(*) FROM island_files)")
            ->toLongLong();
    }

    std::unique_ptr<Database> database;
    UploadPolicy policy;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_server_upload";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Server server;
    if (size == 0)
        return 0;
    const QByteArray rest(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    const QByteArray body = (data[0] & 2) ? rest : encodeBody(rest);
    UploadHandler handler(*server.database, server.policy);
    const qint64 before = server.Stored();
    const int reply =
        (data[0] & 1) ? handler.Islands(body, QStringLiteral("10.0.0.1")) : handler.Table(body);
    switch (reply) {
    case 0:
        break;
    case 1:
    case 4:
    case 6:
    case 7:
    case 8:
    case 9:
    case 12:
        if (server.Stored() != before)
            std::abort();
        break;
    default: // the database failed
        std::abort();
    }
    return 0;
}
