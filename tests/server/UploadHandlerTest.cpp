// The upload handler's decisions, reply by reply, on a real SQLite database.
#include "server/UploadHandler.h"
#include "ServerTests.h"
#include "server/Database.h"
#include "server/IslandStore.h"
#include "server/Leaderboards.h"
#include "server/Passwords.h"
#include "server/Schema.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

class UploadHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InitPasswords());
        QString error;
        database =
            Database::Open(*DatabaseUrl::Parse("sqlite:" + folder.filePath("test.db")), error);
        ASSERT_TRUE(database && MigrateSchema(*database, error)) << error.toStdString();
        policy.allowedGames = QSet<qint32>{9, 20};
    }

    UploadHandler Handler() { return UploadHandler(*database, policy); }
    int Table(const QByteArray& data) { return Handler().Table(encodeBody(data)); }
    int Islands(const QByteArray& data, const QString& address = "10.0.0.1") {
        return Handler().Islands(encodeBody(data), address);
    }

    // "rank name score extra" of every entry, best first.
    QStringList Entries(qint32 game, const QString& title) {
        const Board board = *Leaderboards(*database).Find(game, 1, title, 100);
        QStringList entries;
        for (const BoardEntry& e : board.entries)
            entries
                << QStringLiteral("%1 %2 %3 %4").arg(e.rank).arg(e.name).arg(e.score).arg(e.extra);
        return entries;
    }

    QTemporaryDir folder;
    std::unique_ptr<Database> database;
    UploadPolicy policy;
};

const QByteArray kTrivia = TableText(
    9, "Trivia Blitz", {{"Tobias", 1020, "Round: 11"}, {"Mira", 870, ""}, {"Jonas", 400, ""}});

TEST_F(UploadHandlerTest, TableReplies) {
    QByteArray tampered = kTrivia;
    tampered.replace("1020", "1021");
    // Windows sends its 8-bit code page, Linux UTF-8; the digest covers the bytes as sent. The
    // program sorts, highest score first, before the player chooses: index 0 is Zoë.
    const QByteArray windows =
        tableUploadData(TableText(20, "Caf\xE9", {{"Low", 5, ""}, {"Zo\xEB", 300, "\x80"}}), {0},
                        "me@ludora.example");
    const QByteArray linux = tableUploadData(
        TableText(20, "Caf\xC3\xA9", {{"Low", 5, ""}, {"Zo\xC3\xAB", 300, "\xE2\x82\xAC"}}), {0},
        "ME@ludora.example");
    const struct {
        const char* what;
        QByteArray data;
        int reply;
    } cases[] = {
        {"the program's upload", tableUploadData(kTrivia, {0, 2}, "me@ludora.example"), 0},
        {"anonymous", tableUploadData(kTrivia, {1}, ""), 0},
        {"no entry chosen", tableUploadData(kTrivia, {}, "me@ludora.example"), 0},
        {"from Windows", windows, 0},
        {"from Linux", linux, 0},
        {"from Windows again", windows, 0},
        {"from Linux again", linux, 0},
        {"a record changed", tableUploadData(tampered, {0}, ""), 6},
        {"header with game 0", tableUploadData(TableText(0, "T", {{"A", 1, ""}}), {0}, ""), 1},
        {"index past the records", tableUploadData(kTrivia, {3}, ""), 1},
        {"not the layout", "no line feed", 1},
        {"e-mail ending with @", tableUploadData(kTrivia, {0}, "me@"), 9},
        {"game not allowed", tableUploadData(TableText(3, "T", {{"A", 1, ""}}), {0}, ""), 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Table(c.data), c.reply) << c.what;
    EXPECT_EQ(Handler().Table("####"), 1) << "not the program's Base64";
    EXPECT_EQ(Entries(9, "Trivia Blitz"),
              (QStringList{"1 Tobias 1020 Round: 11", "2 Mira 870 ", "3 Jonas 400 "}));
    EXPECT_EQ(Entries(20, QStringLiteral("Café")), QStringList{QStringLiteral("1 Zoë 300 €")});
    EXPECT_EQ(Leaderboards(*database).List()->size(), 2u);
}

// Reply 12 step by step as a player's handheld sends its islands, then the other replies.
TEST_F(UploadHandlerTest, IslandsReplies) {
    ASSERT_EQ(IslandStore(*database).Register("me@sky.example", HashPassword("secret-pw"), {}, 0),
              DbStatus::Ok);
    const auto isle = writers::IslandFileBytes;
    const QByteArray current = isle("Home Reef", "reef-0001", "started");
    const QByteArray grown = isle("Home Reef", "reef-0001", "grown");
    const QByteArray stored = isle("Gull Rock", "gull-0002", "done long ago");
    const QByteArray next = isle("New Isle", "isle-0003", "just begun");
    const QByteArray refused = isle("Refused", "refused-4", "never stored");
    const auto mine = [](const QList<QByteArray>& files) {
        return islandsUploadData("me@sky.example", "secret-pw", files);
    };
    const struct {
        const char* what;
        QByteArray data;
        int reply;
    } cases[] = {
        {"first upload", mine({stored, current}), 0},
        {"the same files again (deletion failed), the address in other case",
         islandsUploadData("ME@Sky.example", "secret-pw", {stored, current}), 0},
        {"the current island grew", mine({grown}), 0},
        {"it is completed; a new island began", mine({grown, next}), 0},
        {"a new island reuses the completed island's id",
         mine({isle("Old Settings", "reef-0001", "another"), next}), 12},
        {"two different files with one id",
         mine({isle("A", "dup-1", "a"), isle("B", "dup-1", "b")}), 12},
        {"no island", mine({}), 0},
        {"an island shorter than its header", mine({"tiny"}), 0},
        {"not the layout", "C7E20B95\n", 1},
        {"unknown e-mail", islandsUploadData("you@sky.example", "secret-pw", {refused}), 7},
        {"empty e-mail", islandsUploadData("", "secret-pw", {refused}), 7},
        {"wrong password", islandsUploadData("me@sky.example", "secret", {refused}), 8},
        {"e-mail ending with @", islandsUploadData("me@", "secret-pw", {refused}), 9},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Islands(c.data), c.reply) << c.what;
    EXPECT_EQ(Handler().Islands("####", "10.0.0.1"), 1) << "not the program's Base64";
    policy.islandsUploadsPerHour = 1;
    EXPECT_EQ(Islands(mine({}), "10.0.0.2"), 0);
    EXPECT_EQ(Islands(mine({}), "10.0.0.2"), 10) << "one upload an hour from an address";

    const auto account = IslandStore(*database).FindAccount("me@sky.example");
    const AccountIslands islands = *IslandStore(*database).OfAccount(account->id);
    QStringList shown;
    for (const StoredIsland& island : islands.islands)
        shown << QStringLiteral("%1 %2 %3").arg(island.islandId, island.name).arg(island.versions);
    shown.sort();
    EXPECT_EQ(shown, (QStringList{"  1", "gull-0002 Gull Rock 1", "isle-0003 New Isle 1",
                                  "reef-0001 Home Reef 2"}));
}

TEST_F(UploadHandlerTest, DatabaseFailuresAnswer10Or3AndStoreNothing) {
    const QByteArray data = tableUploadData(kTrivia, {0, 1}, "me@ludora.example");
    {
        // Another program holds the write lock past the wait.
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "other");
        other.setDatabaseName(folder.filePath("test.db"));
        ASSERT_TRUE(other.open());
        QSqlQuery lock(other);
        ASSERT_TRUE(lock.exec("BEGIN IMMEDIATE"));
        EXPECT_EQ(Table(data), 10);
        lock.exec("ROLLBACK");
        // An insert that fails after the board and the player were added in the transaction.
        ASSERT_TRUE(lock.exec("CREATE TRIGGER refuse BEFORE INSERT ON entries "
                              "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    }
    QSqlDatabase::removeDatabase("other");
    EXPECT_EQ(Table(data), 3);
    EXPECT_TRUE(Leaderboards(*database).List()->empty());
    EXPECT_FALSE(database->Value("SELECT id FROM players"));
}

} // namespace
