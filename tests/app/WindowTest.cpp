// The window wired to the workflow: a download that fills the tree, stopping and closing while
// a job runs, and a publish whose prompt is answered through the message-box seam.
#include "AppTestSupport.h"
#include "HighscoreWriters.h"
#include "TestHttpServer.h"
#include "TestImage.h"
#include "app/HighscoreTree.h"
#include "app/MainWindow.h"
#include "app/OptionsDialog.h"
#include "app/ScoreView.h"
#include "download/Download.h"
#include "formats/UploadData.h"
#include "profile/IslandMarks.h"
#include "publish/PublishRun.h"

#include "Input.h"
#include <QAction>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>

namespace {

const QString kVondrelFile = QStringLiteral("\\Storage\\Program Files\\vondrel\\HighScores.sco");

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(QSettings().fileName()); }
    void TearDown() override { m_gate->open(); }

    void open() {
        m_window = std::make_unique<MainWindow>(m_image.Root(), [this](const QString& folder) {
            return std::make_unique<GatedHandheld>(folder, m_gate);
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
    void download() {
        workflow()->download();
        ASSERT_TRUE(waitIdle());
        m_messages.take();
    }
    void addIslands() {
        m_image.SetRegistry(QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n"
                                           "\"Skyholm\"=\"2,\\\\My Documents\\\\Zelk Skyholm\"\n"));
        m_image.AddFile(QStringLiteral("\\My Documents\\Zelk Skyholm\\island.1"),
                        writers::IslandFileBytes("Gull Rock", "gull-0002", "island body"));
    }

    UserProfile m_profile;
    TestImage m_image;
    MessageLog m_messages;
    std::shared_ptr<Gate> m_gate = std::make_shared<Gate>();
    std::unique_ptr<MainWindow> m_window;
};

// The welcome picture's link downloads into the tree, with the window busy meanwhile; Escape
// and closing the window stop a later download, which keeps the tree.
TEST_F(WindowTest, TheWelcomeLinkDownloadsAndEscapeOrClosingStopsADownload) {
    m_image.AddFile(kVondrelFile, writers::LevelTableFile({{QStringLiteral("Ann"), 1200, 7}}));
    // The islands game is installed, but none of its islands could be read.
    m_image.AddFile(QStringLiteral("\\Program Files\\Skyholm\\Skyholm.exe"), "MZ");
    m_image.SetRegistry(
        QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\SkyholmService\\Product]\n"
                       "\"propNameAppPath\"=\"\\\\Program Files\\\\Skyholm\\\\Skyholm.exe\"\n"));
    ASSERT_NO_FATAL_FAILURE(open());
    bool treeWhenShown = false;
    m_messages.onShown = [&](const MessageBox::Message&) { treeWhenShown = view()->tree(); };
    // Tab reaches the link.
    input::keyClick(m_window.get(), Qt::Key_Tab);
    EXPECT_TRUE(m_window->findChild<QWidget*>(QStringLiteral("hotSpotLink"))->hasFocus());

    m_gate->close();
    input::mouseClick(view(), Qt::LeftButton, {}, view()->hotSpotRect().center());
    m_gate->waitUntilEntered();
    ASSERT_TRUE(workflow()->isBusy());
    for (const char* name : {"download", "publish", "chooseDevice"})
        EXPECT_FALSE(action(name)->isEnabled()) << name;
    EXPECT_TRUE(action("stop")->isEnabled());
    EXPECT_TRUE(m_window->findChild<QProgressBar*>()->isVisible());
    EXPECT_EQ(view()->cursor().shape(), Qt::BusyCursor);
    m_gate->open();
    ASSERT_TRUE(waitIdle());
    const QStringList messages = m_messages.takeTexts();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Unable to download Zelk Skyholm")));
    EXPECT_TRUE(treeWhenShown) << "the message follows the new tree";
    HighscoreTree* before = view()->tree();
    ASSERT_TRUE(before && before->topLevelItem(0)->childCount() == 1);
    EXPECT_EQ(before->topLevelItem(0)->child(0)->child(0)->text(0),
              QStringLiteral("Ann, 1200 points, Level: 7"));
    EXPECT_EQ(m_window->statusText(), QStringLiteral("Ready"));
    EXPECT_TRUE(action("publish")->isEnabled());
    EXPECT_FALSE(action("stop")->isEnabled());

    m_gate->close();
    input::keyClick(m_window.get(), Qt::Key_F5);
    m_gate->waitUntilEntered();
    input::keyClick(m_window.get(), Qt::Key_Escape);
    EXPECT_FALSE(action("stop")->isEnabled()) << "asked once";
    EXPECT_EQ(m_window->statusText(), QStringLiteral("Stopping..."));
    m_gate->open();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(m_messages.takeTexts(),
              downloadMessages(DownloadOutcome{DownloadResult::Stopped, {}, false}, true));
    EXPECT_EQ(view()->tree(), before);

    // The window goes at once, while the handheld has not answered yet.
    m_gate->close();
    workflow()->download();
    m_gate->waitUntilEntered();
    m_window->close();
    EXPECT_FALSE(m_window->isVisible());
    m_gate->open();
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(m_messages.take().isEmpty());
    EXPECT_EQ(view()->tree(), before);
}

TEST_F(WindowTest, PublishAsksForTheMissingAddressAndOpensOptionsOnIt) {
    TestHttpServer server;
    const QString url = QStringLiteral("http://%1/hs/upload.php").arg(server.hostAndPort());
    ASSERT_TRUE(saveScriptUrl(m_profile, Site::Community, url));
    const QByteArray trivia = writers::SignedTableText(
        9, 1, "Trivia Blitz", {{"Tobias", 1020, "Round: 11"}, {"Mira", 870, "Round: 9"}});
    m_image.AddFile(QStringLiteral("\\Storage\\Program Files\\Trivia\\HighScores.sco"), trivia);
    ASSERT_NO_FATAL_FAILURE(open());
    ASSERT_NO_FATAL_FAILURE(download());
    view()->tree()->topLevelItem(0)->child(0)->child(1)->setCheckState(0, Qt::Unchecked);

    m_messages.answerNext(MessageBox::Answer::Yes);
    whenShown<OptionsDialog>([](OptionsDialog* dialog) {
        auto* email = dialog->findChild<QLineEdit*>(QStringLiteral("email"));
        EXPECT_EQ(dialog->focusWidget(), email);
        email->setText(QStringLiteral(" me@ludora.example "));
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    action("toolbarPublish")->trigger();
    ASSERT_TRUE(waitIdle());

    DestinationSettings community;
    community.setScriptUrl(url);
    EXPECT_EQ(m_messages.take(),
              (QList<MessageBox::Message>{
                  {emailPromptText(), MessageBox::Buttons::YesNoCancel, MessageBox::Icon::None},
                  {publishResultText(UploadResult::Ok, {}, community), MessageBox::Buttons::Ok,
                   MessageBox::Icon::Information}}));
    const QList<RecordedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].body, encodeBody(tableUploadData(trivia, {0}, "me@ludora.example")));
    Settings stored;
    stored.load(m_profile);
    EXPECT_EQ(stored.community.email, QStringLiteral("me@ludora.example"));
}

TEST_F(WindowTest, StopAndClosingDropAnUploadTheServerNeverAnswers) {
    TestHttpServer server;
    server.setReply({});
    Settings settings;
    settings.islands.email = QStringLiteral("me@sky.example");
    ASSERT_TRUE(settings.saveAccount(m_profile));
    ASSERT_TRUE(saveScriptUrl(m_profile, Site::Islands,
                              server.hostAndPort() + QStringLiteral("/sky/up.php")));
    addIslands();
    ASSERT_NO_FATAL_FAILURE(open());
    ASSERT_NO_FATAL_FAILURE(download());
    const IslandMarks marks(m_profile);
    const auto uploading = [&](int requests) {
        return input::waitFor([&] { return server.requests().size() == requests; }, 60000);
    };

    action("publish")->trigger();
    ASSERT_TRUE(uploading(1));
    action("stop")->trigger();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(m_messages.takeTexts(),
              QStringList{publishResultText(UploadResult::Stopped, {}, {})});
    EXPECT_FALSE(marks.isMarked("gull-0002")) << "a stopped upload counts as failed";

    action("publish")->trigger();
    ASSERT_TRUE(uploading(2));
    m_window->close();
    EXPECT_FALSE(m_window->isVisible());
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(m_messages.take().isEmpty());
    EXPECT_FALSE(marks.isMarked("gull-0002"));
}

} // namespace
