// The leaderboard page in a real browser: headless Chromium loads it, and its DOM holds the
// entries, with a player name made of markup shown as text.
#include "HttpCalls.h"
#include "ServerProcess.h"
#include "UploadBodies.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Runs Chromium headless on url with one more option (--dump-dom or --screenshot=FILE);
// its standard output.
QByteArray Chromium(const QString& program, const QString& url, const QString& option) {
    QTemporaryDir profile;
    QProcess chromium;
    chromium.start(
        program, {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync",
                  "--user-data-dir=" + profile.path(), "--window-size=1000,640", option, url});
    if (!chromium.waitForFinished(120000))
        chromium.kill();
    return chromium.readAllStandardOutput();
}

TEST(Browser, TheLeaderboardPageShowsItsEntriesAndMarkupAsText) {
    const QString chromium = QStandardPaths::findExecutable("chromium");
    if (chromium.isEmpty())
        GTEST_SKIP() << "chromium is not installed (scripts/install-deps.sh installs it)";
    QTemporaryDir folder;
    ServerProcess server(SCORVANE_SERVER_PATH, "sqlite:" + folder.filePath("server.db"));
    ASSERT_NE(server.Port(), 0) << server.Log().toStdString();
    const QByteArray body =
        Encoded(TableData(TableText(9, "Trivia Blitz",
                                    {{"<script>alert(\"x\")</script>", 2000, "O'Neil \"Ace\""},
                                     {"Tobias", 1020, "Round: 11"}}),
                          "0,1", ""));
    ASSERT_EQ(HttpCall(server.Url("/community/upload"), &body, "multipart/form-data").body,
              "Highscores(7hT2xK9m4Rd):0\n");

    const QString page = server.Url("/board/9/1/Trivia%20Blitz");
    const QString dom = QString::fromUtf8(Chromium(chromium, page, "--dump-dom"));
    EXPECT_TRUE(dom.contains("<td class=\"name\">Tobias</td>")) << dom.toStdString();
    // Text that looks like markup stays a text node, serialised with its "<" escaped.
    EXPECT_TRUE(dom.contains("<td class=\"name\">&lt;script&gt;alert(\"x\")&lt;/script&gt;</td>"));
    EXPECT_TRUE(dom.contains("<td>O'Neil \"Ace\"</td>"));
    EXPECT_FALSE(dom.contains("<script>"));

    const QString picture = folder.filePath("board.png");
    Chromium(chromium, page, "--screenshot=" + picture);
    QFile png(picture);
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    EXPECT_TRUE(png.read(8).startsWith("\x89PNG"));
}

} // namespace
