// The window wired to the workflow: a download that fills the tree, stopping and closing while
// it runs, and a publish of the entries checked in the tree, with a prompt answered through the
// message-box seam.
#include "AppTestSupport.h"
#include "HighscoreWriters.h"
#include "TestHttpServer.h"
#include "TestImage.h"
#include "app/HighscoreTree.h"
#include "app/MainWindow.h"
#include "app/ScoreView.h"
#include "download/Download.h"
#include "formats/UploadData.h"
#include "handheld/ImageHandheld.h"
#include "publish/PublishRun.h"

#include <QAction>
#include <QProgressBar>
#include <QSemaphore>
#include <QSettings>
#include <QTimer>
#include <QToolBar>

namespace {

class WindowTest : public ::testing::Test {
protected:
    // A device image whose connect() waits until the test lets it go on, so that the test can
    // look at the window while a download runs.
    struct HeldHandheld final : ImageHandheld {
        HeldHandheld(const QString& folder, WindowTest* test) : ImageHandheld(folder), test(test) {}
        bool connect(std::chrono::milliseconds wait, std::stop_token stop) override {
            test->m_entered.release();
            test->m_go.tryAcquire(1, 60000);
            return ImageHandheld::connect(wait, std::move(stop));
        }
        WindowTest* test;
    };

    void SetUp() override { QSettings().clear(); }
    void open() {
        m_window = std::make_unique<MainWindow>(m_image.Root(), [this](const QString& folder) {
            return std::make_unique<HeldHandheld>(folder, this);
        });
        m_window->show();
        ASSERT_TRUE(input::waitForWindowActive(m_window.get()));
    }
    Workflow* workflow() const { return m_window->workflow(); }
    ScoreView* view() const { return m_window->view(); }
    QAction* action(const char* name) const {
        return m_window->findChild<QAction*>(QLatin1String(name));
    }
    bool waitIdle() const {
        return input::waitFor([this] { return !workflow()->isBusy(); }, 60000);
    }
    // Lets a download go on from connect(), and waits until it ended.
    bool goOn() {
        m_go.release();
        return waitIdle();
    }
    // The enabled commands, the status text, and whether the busy indicator and cursor show.
    QString state() const {
        QStringList state;
        for (const char* name : {"download", "publish", "stop", "chooseDevice", "useHandheld"})
            if (action(name)->isEnabled())
                state.append(QLatin1String(name));
        state.append(m_window->statusText());
        if (m_window->findChild<QProgressBar*>()->isVisible())
            state.append(QStringLiteral("indicator"));
        if (view()->cursor().shape() == Qt::BusyCursor)
            state.append(QStringLiteral("busy cursor"));
        return state.join(u'|');
    }

    UserProfile m_profile;
    TestImage m_image;
    MessageLog m_messages;
    QSemaphore m_entered, m_go;
    std::unique_ptr<MainWindow> m_window;
};

// The welcome picture's link, reached with Tab and followed with Return, downloads into the tree,
// with the window busy meanwhile; Escape and closing the window stop a later download, which keeps
// the tree.
TEST_F(WindowTest, TheWelcomeLinkDownloadsAndEscapeOrClosingStopsADownload) {
    m_image.AddFile(QStringLiteral("\\Storage\\Program Files\\vondrel\\HighScores.sco"),
                    writers::LevelTableFile({{QStringLiteral("Ann"), 1200, 7}}));
    // The islands game is installed, but none of its islands could be read.
    m_image.AddFile(QStringLiteral("\\Program Files\\Skyholm\\Skyholm.exe"), "MZ");
    m_image.SetRegistry(
        QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\SkyholmService\\Product]\n"
                       "\"propNameAppPath\"=\"\\\\Program Files\\\\Skyholm\\\\Skyholm.exe\"\n"));
    ASSERT_NO_FATAL_FAILURE(open());
    EXPECT_EQ(state(), "download|chooseDevice|useHandheld|Ready");
    bool treeWhenShown = false;
    m_messages.onShown = [&] { treeWhenShown = view()->tree(); };
    input::keyClick(m_window.get(), Qt::Key_Tab);
    EXPECT_TRUE(m_window->findChild<QWidget*>(QStringLiteral("hotSpotLink"))->hasFocus());

    input::keyClick(QApplication::focusWidget(), Qt::Key_Return); // as a click on the picture
    ASSERT_TRUE(m_entered.tryAcquire(1, 60000));
    EXPECT_EQ(state(), "stop|Connecting to the mobile device...|indicator|busy cursor");
    ASSERT_TRUE(goOn());
    const QStringList messages = m_messages.takeTexts();
    EXPECT_TRUE(messages.size() == 1 && messages[0].startsWith("Unable to download Zelk Skyholm"))
        << messages.join(u'\n').toStdString();
    EXPECT_TRUE(treeWhenShown) << "the message follows the new tree";
    HighscoreTree* tree = view()->tree();
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->child(0)->text(0), "Ann, 1200 points, Level: 7");
    EXPECT_EQ(QApplication::focusWidget(), tree);
    EXPECT_EQ(state(), "download|publish|chooseDevice|useHandheld|Ready");

    input::keyClick(m_window.get(), Qt::Key_F5);
    ASSERT_TRUE(m_entered.tryAcquire(1, 60000));
    input::keyClick(m_window.get(), Qt::Key_Escape);
    EXPECT_EQ(state(), "Stopping...|indicator|busy cursor") << "asked once";
    ASSERT_TRUE(goOn());
    EXPECT_EQ(m_messages.takeTexts(),
              downloadMessages(DownloadOutcome{DownloadResult::Stopped, {}, false}, true));
    EXPECT_EQ(view()->tree(), tree);

    // The window goes at once, while the handheld has not answered yet; its place and its
    // toolbar's are kept for the next start.
    m_window->setGeometry(QRect(40, 60, 900, 640));
    m_window->addToolBar(Qt::LeftToolBarArea, m_window->findChild<QToolBar*>());
    workflow()->download();
    ASSERT_TRUE(m_entered.tryAcquire(1, 60000));
    const QRect geometry = m_window->geometry();
    m_window->close();
    EXPECT_FALSE(m_window->isVisible());
    ASSERT_TRUE(goOn());
    EXPECT_TRUE(m_messages.take().isEmpty());
    EXPECT_EQ(view()->tree(), tree);
    ASSERT_NO_FATAL_FAILURE(open());
    EXPECT_EQ(m_window->geometry(), geometry);
    EXPECT_EQ(m_window->toolBarArea(m_window->findChild<QToolBar*>()), Qt::LeftToolBarArea);
}

// The entries checked with Space and clicks are published. The missing address is asked for,
// and Yes opens the Options dialog on it; the window keeps what the dialog saved.
TEST_F(WindowTest, PublishesTheCheckedEntriesAndAsksForTheMissingAddress) {
    TestHttpServer server;
    const QString url = QStringLiteral("http://%1/hs/upload.php").arg(server.hostAndPort());
    ASSERT_TRUE(saveScriptUrl(m_profile, Site::Community, url));
    const QByteArray trivia = writers::SignedTableText(
        9, 1, "Trivia Blitz", {{"Tobias", 1020, "Round: 11"}, {"Mira", 870, "Round: 9"}});
    m_image.AddFile(QStringLiteral("\\Storage\\Program Files\\Trivia\\HighScores.sco"), trivia);
    ASSERT_NO_FATAL_FAILURE(open());
    workflow()->download();
    ASSERT_TRUE(goOn());
    HighscoreTree* tree = view()->tree();
    QTreeWidgetItem* table = tree->topLevelItem(0)->child(0);
    EXPECT_FALSE(table->flags() & Qt::ItemIsUserCheckable) << "a table has no box";
    // Space unchecks Tobias; a click on Mira's label unchecks her, and Space checks her again.
    tree->setCurrentItem(table->child(0));
    input::keyClick(tree, Qt::Key_Space);
    input::mouseClick(tree->viewport(), tree->labelRect(table->child(1)).center());
    input::keyClick(tree, Qt::Key_Space);

    m_messages.answerNext(MessageBox::Answer::Yes);
    QTimer::singleShot(0, [] { // in the Options dialog that Yes opens
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_TRUE(dialog);
        QWidget* email = dialog->focusWidget();
        EXPECT_EQ(email->objectName(), QStringLiteral("email"));
        input::keyClick(email, Qt::Key_unknown, {}, QStringLiteral(" me@ludora.example "));
        input::keyClick(email, Qt::Key_Return);
        EXPECT_FALSE(dialog->isVisible()) << "Return saves";
        dialog->close();
    });
    action("toolbarPublish")->trigger();
    ASSERT_TRUE(waitIdle());
    action("publish")->trigger();
    ASSERT_TRUE(waitIdle());

    DestinationSettings community;
    community.setScriptUrl(url);
    const MessageBox::Message sent{publishResultText(UploadResult::Ok, {}, community),
                                   MessageBox::Buttons::Ok, MessageBox::Icon::Information};
    EXPECT_EQ(m_messages.take(),
              (QList<MessageBox::Message>{
                  {emailPromptText(), MessageBox::Buttons::YesNoCancel}, sent, sent}));
    QByteArrayList bodies;
    for (const RecordedRequest& request : server.requests())
        bodies.append(request.body);
    EXPECT_EQ(bodies,
              QByteArrayList(2, encodeBody(tableUploadData(trivia, {1}, "me@ludora.example"))));
}

} // namespace
