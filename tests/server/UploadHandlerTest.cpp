// The upload handler's decisions, table by table, on a real SQLite database.
#include "server/UploadHandler.h"
#include "UploadBodies.h"
#include "server/Database.h"
#include "server/IslandStore.h"
#include "server/Leaderboards.h"
#include "server/Passwords.h"
#include "server/Schema.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const std::string kAccount = "me@sky.example:secret-pw";

class UploadHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InitPasswords());
        QString error;
        database = Database::Open(*DatabaseUrl::Parse(Url()), error);
        ASSERT_TRUE(database && MigrateSchema(*database, error)) << error.toStdString();
        policy.allowedGames = QSet<qint32>{9, 20};
    }

    QString Url() const { return QStringLiteral("sqlite:") + folder.filePath("test.db"); }
    int Table(const std::string& data) { return Handler().Table(Encoded(data)); }
    int Islands(const std::string& data) { return Handler().Islands(Encoded(data), "10.0.0.1"); }
    UploadHandler Handler() { return UploadHandler(*database, policy); }

    void Register(const QString& email, const QByteArray& password) {
        ASSERT_EQ(IslandStore(*database).Register(email, HashPassword(password), {},
                                                  QDateTime::currentMSecsSinceEpoch()),
                  DbStatus::Ok);
    }

    std::vector<BoardEntry> Entries(qint32 game, const QString& title) {
        const auto board = Leaderboards(*database).Find(game, 1, title, 100);
        return board ? board->entries : std::vector<BoardEntry>{};
    }

    QTemporaryDir folder;
    std::unique_ptr<Database> database;
    UploadPolicy policy;
};

const std::string kTrivia = TableText(
    9, "Trivia Blitz", {{"Tobias", 1020, "Round: 11"}, {"Mira", 870, ""}, {"Jonas", 400, ""}});

TEST_F(UploadHandlerTest, TableReplies) {
    std::string tampered = kTrivia;
    tampered.replace(tampered.find("1020"), 4, "1021");
    std::vector<writers::TextRecord> thirty;
    for (int i = 0; i < 30; ++i)
        thirty.push_back({"P" + std::to_string(i), 1000 - i, ""});
    const struct {
        const char* what;
        std::string data;
        int reply;
    } cases[] = {
        {"the program's upload", TableData(kTrivia, "0,2", "me@ludora.example"), 0},
        {"anonymous", TableData(kTrivia, "1", ""), 0},
        {"no entry chosen", TableData(kTrivia, "", "me@ludora.example"), 0},
        {"a record changed", TableData(tampered, "0", ""), 6},
        {"no digest", TableData(TableText(9, "T", {{"A", 1, ""}}, false), "0", ""), 6},
        {"header with game 0", TableData(TableText(0, "T", {{"A", 1, ""}}), "0", ""), 1},
        {"a record without score", TableData(TableText(9, "T", {{"A", 1, ""}}), "0", "") + "\n", 1},
        {"index past the records", TableData(kTrivia, "3", ""), 1},
        {"index past the 25 the program keeps", TableData(TableText(9, "T", thirty), "25", ""), 1},
        {"index not a number", TableData(kTrivia, "0,a", ""), 1},
        {"index with a sign", TableData(kTrivia, "+1", ""), 1},
        {"no chosen list", kTrivia, 1},
        {"e-mail starting with @", TableData(kTrivia, "0", "@ludora.example"), 9},
        {"e-mail ending with @", TableData(kTrivia, "0", "me@"), 9},
        {"e-mail without @", TableData(kTrivia, "0", "me.ludora.example"), 9},
        {"game not allowed", TableData(TableText(3, "Zelk Marbelo", {{"A", 1, ""}}), "0", ""), 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Table(c.data), c.reply) << c.what;
    for (const char* body : {"", "####", "YQ==", "YQ", "YWJj\n"})
        EXPECT_EQ(Handler().Table(body), 1) << body;
}

TEST_F(UploadHandlerTest, ChosenIndicesMeanWhatTheyMeantToTheProgram) {
    // The program sorts, highest score first, before the player chooses.
    EXPECT_EQ(
        Table(TableData(TableText(9, "Sorted", {{"Low", 5, ""}, {"High", 50, "x"}}), "0", "")), 0);
    const auto entries = Entries(9, "Sorted");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "High");
    EXPECT_EQ(entries[0].extra, "x");
}

TEST_F(UploadHandlerTest, TheSameRecordsCountOnceWhateverTheCodePage) {
    // Windows sends its 8-bit code page, Linux UTF-8; the digest covers the bytes as sent.
    const std::string windows = TableText(20, "Caf\xE9", {{"Zo\xEB", 300, "\x80"}});
    const std::string linux = TableText(20, "Caf\xC3\xA9", {{"Zo\xC3\xAB", 300, "\xE2\x82\xAC"}});
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(Table(TableData(windows, "0", "me@ludora.example")), 0);
        EXPECT_EQ(Table(TableData(linux, "0", "ME@ludora.example")), 0);
    }
    const auto entries = Entries(20, QStringLiteral("Café"));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, QStringLiteral("Zoë"));
    EXPECT_EQ(entries[0].extra, QStringLiteral("€"));
}

TEST_F(UploadHandlerTest, IslandsReplies) {
    Register("me@sky.example", "secret-pw");
    const QByteArray reef = Island("Home Reef", "reef-0001", "reef");
    const std::string end = Le32(0) + Le32(0x3C8E6A27);
    const struct {
        const char* what;
        std::string data;
        int reply;
    } cases[] = {
        {"the program's upload", IslandsData(kAccount, {reef}), 0},
        {"the address in other case", IslandsData("ME@Sky.example:secret-pw", {reef}), 0},
        {"no island", IslandsData(kAccount, {}), 0},
        {"an island shorter than its header", IslandsData(kAccount, {"tiny"}), 0},
        {"another client token", "C7E20B95" + IslandsData(kAccount, {}).substr(8), 1},
        {"another header", IslandsData(kAccount, {}).replace(9, 4, "1002"), 1},
        {"no account line", std::string("C7E20B94\n1001|10|Zelk Skyholm\n") + end, 1},
        {"a count past the data", IslandsHead(kAccount) + Le32(5000) + "abc", 1},
        {"no end mark", IslandsHead(kAccount) + Le32(0), 1},
        {"bytes after the end mark", IslandsData(kAccount, {}) + "x", 1},
        {"unknown e-mail", IslandsData("you@sky.example:secret-pw", {reef}), 7},
        {"empty e-mail", IslandsData(":secret-pw", {reef}), 7},
        {"wrong password", IslandsData("me@sky.example:secret", {reef}), 8},
        {"e-mail ending with @", IslandsData("me@:secret-pw", {reef}), 9},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Islands(c.data), c.reply) << c.what;
    EXPECT_EQ(Handler().Islands("not encoded", "10.0.0.1"), 1);
}

// The rule of reply 12, step by step as a player's handheld sends its islands.
TEST_F(UploadHandlerTest, AnIslandIdReusedAfterItsIslandWasCompletedGets12) {
    Register("me@sky.example", "secret-pw");
    const QByteArray current1 = Island("Home Reef", "reef-0001", "started");
    const QByteArray current2 = Island("Home Reef", "reef-0001", "grown");
    const QByteArray stored = Island("Gull Rock", "gull-0002", "done long ago");
    const QByteArray next = Island("New Isle", "isle-0003", "just begun");
    const QByteArray reuse = Island("Old Settings", "reef-0001", "another island");
    const struct {
        const char* what;
        std::vector<QByteArray> files;
        int reply;
    } steps[] = {
        {"first upload", {stored, current1}, 0},
        {"the same files again (deletion failed)", {stored, current1}, 0},
        {"the current island grew", {current2}, 0},
        {"it is completed; a new island began", {current2, next}, 0},
        {"a new island reuses the completed island's id", {reuse, next}, 12},
        {"two different files with one id",
         {Island("A", "dup-1", "a"), Island("B", "dup-1", "b")},
         12},
    };
    for (const auto& step : steps)
        EXPECT_EQ(Islands(IslandsData(kAccount, step.files)), step.reply) << step.what;

    const auto account = IslandStore(*database).FindAccount("me@sky.example");
    const auto islands = IslandStore(*database).OfAccount(account->id);
    ASSERT_TRUE(islands);
    QStringList shown;
    for (const StoredIsland& island : islands->islands)
        shown << QStringLiteral("%1 %2 %3").arg(island.islandId, island.name).arg(island.versions);
    shown.sort();
    EXPECT_EQ(shown, (QStringList{"gull-0002 Gull Rock 1", "isle-0003 New Isle 1",
                                  "reef-0001 Home Reef 2"}));
}

TEST_F(UploadHandlerTest, IslandsUploadsPerAddressAreLimited) {
    policy.islandsUploadsPerHour = 2;
    const std::string data = IslandsData(kAccount, {});
    EXPECT_EQ(Islands(data), 7);
    EXPECT_EQ(Islands(data), 7);
    EXPECT_EQ(Islands(data), 10);
    EXPECT_EQ(Handler().Islands(Encoded(data), "10.0.0.2"), 7) << "another address";
}

TEST_F(UploadHandlerTest, DatabaseFailuresAnswer10Or3AndStoreNothing) {
    const std::string data = TableData(kTrivia, "0,1", "me@ludora.example");
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
    const auto boards = Leaderboards(*database).List();
    ASSERT_TRUE(boards);
    EXPECT_TRUE(boards->empty());
    EXPECT_FALSE(database->Value("SELECT id FROM players"));
}

} // namespace
