// Downloads as the desktop program runs them: the worker, the commands while it runs, the
// tree it fills, the messages of each result, stopping it, and closing the window meanwhile.
#include "GuiTestSupport.h"
#include "HighscoreWriters.h"
#include "TestImage.h"
#include "app/CheckTreeCtrl.h"
#include "app/MainFrame.h"
#include "app/MessageBox.h"
#include "app/ScoreView.h"
#include "app/ScorvaneApp.h"
#include "device/DownloadJob.h"
#include "device/SimulatedDevice.h"
#include "scores/HighscoreSource.h"

#include <QAction>
#include <QApplication>
#include <QProgressBar>
#include <gtest/gtest.h>
#include <thread>

namespace {

constexpr const char* kNoDevice = "Unable to connect to the mobile device.";
constexpr const char* kNothingFound = "No highscores found on the mobile device.";
constexpr const char* kIslandsMessage =
    "Unable to download Zelk Skyholm highscores.\nPlease make sure that:\n1. Zelk Skyholm was "
    "executed at least one time after installation on your Pocket PC.\n2. Zelk Skyholm is not "
    "running on your Pocket PC right now.";

const QString kVondrelFile = QStringLiteral("\\Storage\\Program Files\\vondrel\\HighScores.sco");

class DownloadTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        gate->Open(); // tests that look at a running download close it again
        app.deviceFactory = [this](const QString& folder) {
            ++devicesMade;
            auto device =
                std::make_unique<GatedDevice>(std::make_unique<CSimulatedDevice>(folder), gate);
            lastDevice = device.get();
            return device;
        };
        app.SetDeviceImageFolder(image.Root(), false);
        ASSERT_NO_FATAL_FAILURE(OpenWindow(QSize(800, 600)));
    }

    void TearDown() override { MessageBox::SetRecording(true); }

    void CloseGate() { gate = std::make_shared<GatedDevice::Gate>(); }

    // Starts a download and handles its end, as the event loop would.
    void Download() {
        view->StartDownload();
        ASSERT_TRUE(view->IsBusy());
        view->FinishWorkerForTest();
        ASSERT_FALSE(view->IsBusy());
    }

    void AddVondrel(std::vector<writers::LevelEntry> entries) {
        image.AddFile(kVondrelFile, writers::LevelTableFile(entries));
    }

    QStringList Titles() const {
        QStringList titles;
        if (!view->Tree())
            return titles;
        QTreeWidgetItem* root = view->Tree()->topLevelItem(0);
        for (int i = 0; i < root->childCount(); ++i)
            titles << root->child(i)->text(0);
        return titles;
    }

    TestImage image;
    std::shared_ptr<GatedDevice::Gate> gate = std::make_shared<GatedDevice::Gate>();
    int devicesMade = 0;
    GatedDevice* lastDevice = nullptr;
};

TEST_F(DownloadTest, ClickOnTheLinkFillsTheTreeFromTheImage) {
    AddVondrel({{QStringLiteral("Ann"), 1200, 7}, {QStringLiteral("Bob"), 900, 5}});
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\Trivia\\HighScores.sco"),
                  writers::SignedTableText(7, 1, "Trivia Blitz", {{"Cy", 3000, "Round: 4"}}));
    QStringList stages;
    QObject::connect(view, &CScoreView::progress, [&](const QString& text) { stages << text; });

    Click(view, view->HotSpotRect().center());
    ASSERT_TRUE(view->IsBusy());
    view->FinishWorkerForTest();

    EXPECT_TRUE(MessageBox::TakeShown().empty());
    ASSERT_NE(view->Tree(), nullptr);
    EXPECT_EQ(Titles(), (QStringList{"Trivia Blitz", "Zelk Vondrel"})) << "sorted by title";
    QTreeWidgetItem* vondrel = view->Tree()->topLevelItem(0)->child(1);
    ASSERT_EQ(vondrel->childCount(), 2);
    EXPECT_EQ(vondrel->child(0)->text(0), "Ann, 1200 points, Level: 7");
    EXPECT_TRUE(view->Tree()->IsChecked(vondrel->child(1)));
    EXPECT_TRUE(stages.contains("Searching the program folders")) << stages.join('|').toStdString();
    EXPECT_EQ(frame->StatusText(), "Ready");
    EXPECT_EQ(lastDevice->sessionsEnded, 1) << "the session is closed after the scan";
    EXPECT_FALSE(app.connection.IsConnected());
}

TEST_F(DownloadTest, HiddenDefaultEntriesStillCountInTheIndex) {
    // The factory entry scores highest, so it comes first in the table.
    AddVondrel({{QStringLiteral("Player 3"), 3000, 7}, {QStringLiteral("Ann"), 1200, 7}});
    Download();
    ASSERT_EQ(Titles(), QStringList{"Zelk Vondrel"});
    QTreeWidgetItem* branch = view->Tree()->topLevelItem(0)->child(0);
    ASSERT_EQ(branch->childCount(), 1);
    EXPECT_EQ(branch->child(0)->text(0), "Ann, 1200 points, Level: 7");
    EXPECT_EQ(branch->child(0)->data(0, CCheckTreeCtrl::kItemDataRole).toUInt(), 1u);

    const std::vector<CHighscoreSource*> selected = view->ReadCheckedSources();
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected[0]->Chosen(), (std::vector<std::uint32_t>{1}));
}

TEST_F(DownloadTest, UncheckedEntriesAreCheckedAgainAfterTheNextDownload) {
    AddVondrel({{QStringLiteral("Ann"), 1200, 7}, {QStringLiteral("Bob"), 900, 5}});
    Download();
    QTreeWidgetItem* entry = view->Tree()->topLevelItem(0)->child(0)->child(1);
    Click(view->Tree()->viewport(), view->Tree()->HitRect(entry).center());
    ASSERT_FALSE(view->Tree()->IsChecked(entry));
    EXPECT_EQ(view->ReadCheckedSources()[0]->Chosen(), (std::vector<std::uint32_t>{0}));

    frame->Actions().download->trigger();
    view->FinishWorkerForTest();
    entry = view->Tree()->topLevelItem(0)->child(0)->child(1);
    EXPECT_TRUE(view->Tree()->IsChecked(entry));
}

TEST_F(DownloadTest, NoAnswerKeepsTheOldTreeAndSaysSo) {
    AddVondrel({{QStringLiteral("Ann"), 1200, 7}});
    Download();
    ASSERT_NE(view->Tree(), nullptr);
    CCheckTreeCtrl* before = view->Tree();
    MessageBox::TakeShown();

    gate->refuse = true;
    Download();
    const std::vector<MessageBox::Shown> shown = MessageBox::TakeShown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, kNoDevice);
    EXPECT_EQ(shown[0].buttons, MessageBox::Ok);
    EXPECT_EQ(view->Tree(), before);
    EXPECT_EQ(Titles(), QStringList{"Zelk Vondrel"});
    EXPECT_TRUE(frame->Actions().download->isEnabled());
    EXPECT_TRUE(frame->Actions().publish->isEnabled());
}

TEST_F(DownloadTest, AMissingImageFolderIsNoDevice) {
    app.SetDeviceImageFolder(image.Root() + QStringLiteral("/gone"), false);
    Download();
    EXPECT_EQ(MessageBox::TakeShownTexts(), std::vector<QString>{kNoDevice});
    EXPECT_EQ(view->Tree(), nullptr);
}

TEST_F(DownloadTest, NothingFoundRemovesTheTreeAndSaysSo) {
    AddVondrel({{QStringLiteral("Ann"), 1200, 7}});
    Download();
    ASSERT_NE(view->Tree(), nullptr);
    MessageBox::TakeShown();

    QFile::remove(image.HostPath(kVondrelFile));
    Download();
    EXPECT_EQ(view->Tree(), nullptr);
    EXPECT_EQ(MessageBox::TakeShownTexts(), std::vector<QString>{kNothingFound});
    EXPECT_FALSE(frame->Actions().publish->isEnabled());
}

TEST_F(DownloadTest, OnlyFactoryEntriesGiveNoTree) {
    AddVondrel({{QStringLiteral("Player 1"), 1000, 5}, {QStringLiteral("Player 2"), 2000, 6}});
    Download();
    EXPECT_EQ(view->Tree(), nullptr);
    EXPECT_EQ(MessageBox::TakeShownTexts(), std::vector<QString>{kNothingFound});
}

TEST_F(DownloadTest, IslandsMessageComesAfterTheTreeIsBuilt) {
    AddVondrel({{QStringLiteral("Ann"), 1200, 7}});
    image.AddFile(QStringLiteral("\\Program Files\\Skyholm\\Skyholm.exe"), "MZ");
    image.SetRegistry(
        QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\SkyholmService\\Product]\n"
                       "\"propNameAppPath\"=\"\\\\Program Files\\\\Skyholm\\\\Skyholm.exe\"\n"));
    bool treeWhenShown = false;
    MessageBox::SetObserver([&](const QString&) { treeWhenShown = view->Tree() != nullptr; });
    Download();
    EXPECT_EQ(MessageBox::TakeShownTexts(), std::vector<QString>{kIslandsMessage});
    EXPECT_TRUE(treeWhenShown);
    EXPECT_EQ(Titles(), QStringList{"Zelk Vondrel"});
}

TEST_F(DownloadTest, TheScansNoticeComesBeforeTheNewTree) {
    auto source = std::make_unique<CHighscoreSource>(&app.collection, "salt", "t", 25);
    source->table.title = "Zelk Quilbit";
    source->table.gameNumber = 2;
    source->table.records = {{"Ann", 10, ""}};
    app.collection.sources.push_back(std::move(source));
    app.collection.scanMessage = "A notice from the scan.";
    bool treeWhenShown = true;
    MessageBox::SetObserver([&](const QString&) { treeWhenShown = view->Tree() != nullptr; });

    view->OnDownloadDone(DOWNLOAD_OK);
    EXPECT_EQ(MessageBox::TakeShownTexts(), std::vector<QString>{"A notice from the scan."});
    EXPECT_FALSE(treeWhenShown);
    EXPECT_EQ(Titles(), QStringList{"Zelk Quilbit"});

    // With a notice, finding nothing needs no second message.
    app.collection.ClearSources();
    view->OnDownloadDone(DOWNLOAD_OK);
    EXPECT_EQ(MessageBox::TakeShownTexts(), std::vector<QString>{"A notice from the scan."});
    EXPECT_EQ(view->Tree(), nullptr);
}

TEST_F(DownloadTest, AFailedScanNeverLeavesTheTreeOnDiscardedSources) {
    AddVondrel({{QStringLiteral("Ann"), 1200, 7}});
    Download();
    ASSERT_NE(view->Tree(), nullptr);
    MessageBox::TakeShown();

    // A scan that failed after discarding the sources the tree showed.
    app.collection.ClearSources();
    view->OnDownloadDone(DOWNLOAD_SCAN_FAILED);
    EXPECT_EQ(MessageBox::TakeShownTexts(),
              std::vector<QString>{"Error downloading highscores from the mobile device."});
    EXPECT_EQ(view->Tree(), nullptr);
    EXPECT_TRUE(view->ReadCheckedSources().empty());

    view->OnDownloadDone(7);
    EXPECT_EQ(MessageBox::TakeShownTexts(),
              std::vector<QString>{"Unexpected error occured while downloading highscores from "
                                   "the mobile device."});
}

TEST_F(DownloadTest, WhileTheWorkerRunsOnlyOptionsAboutAndExitStayUsable) {
    AddVondrel({{QStringLiteral("Ann"), 1200, 7}});
    Download(); // a tree, so that Publish would otherwise be enabled
    ASSERT_TRUE(frame->Actions().publish->isEnabled());
    CloseGate();
    UrlCatcher catcher;

    frame->Actions().tbDownload->trigger();
    gate->WaitUntilEntered();
    ASSERT_TRUE(view->IsBusy());
    const auto& c = frame->Actions();
    for (QAction* action : {c.download, c.tbDownload, c.publish, c.tbPublish, c.tbIslandsPage,
                            c.communityPage, c.tbCommunityPage, c.productsPage})
        EXPECT_FALSE(action->isEnabled()) << action->objectName().toStdString();
    for (QAction* action : {c.islandsPage, c.options, c.about, c.exit})
        EXPECT_TRUE(action->isEnabled()) << action->objectName().toStdString();
    EXPECT_TRUE(frame->BusyIndicator()->isVisible());
    EXPECT_EQ(view->cursor().shape(), Qt::BusyCursor);
    EXPECT_EQ(view->Tree()->Cursor().shape(), Qt::BusyCursor);
    EXPECT_EQ(view->Tree()->viewport()->cursor().shape(), Qt::BusyCursor);
    EXPECT_NE(frame->StatusText(), "Ready");

    c.islandsPage->trigger(); // enabled, but does nothing now
    view->ShowCommunityPage();
    EXPECT_TRUE(catcher.opened.isEmpty());
    view->StartDownload(); // a second download is refused
    EXPECT_EQ(devicesMade, 2);

    gate->Open();
    view->FinishWorkerForTest();
    EXPECT_FALSE(view->IsBusy());
    for (QAction* action : {c.download, c.tbDownload, c.publish, c.tbPublish, c.tbIslandsPage,
                            c.communityPage, c.tbCommunityPage, c.productsPage})
        EXPECT_TRUE(action->isEnabled()) << action->objectName().toStdString();
    EXPECT_FALSE(frame->BusyIndicator()->isVisible());
    EXPECT_EQ(view->Tree()->Cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(frame->StatusText(), "Ready");
    EXPECT_EQ(devicesMade, 2);
}

TEST_F(DownloadTest, F5StartsAndEscapeStopsADownloadThatKeepsTheOldTree) {
    AddVondrel({{QStringLiteral("Ann"), 1200, 7}});
    Download();
    CCheckTreeCtrl* before = view->Tree();
    ASSERT_NE(before, nullptr);
    MessageBox::TakeShown();
    ASSERT_TRUE(WaitForWindowActive(frame));
    EXPECT_FALSE(frame->Actions().stop->isEnabled());

    CloseGate();
    PressKey(frame, Qt::Key_F5);
    ASSERT_TRUE(view->IsBusy());
    gate->WaitUntilEntered();
    EXPECT_TRUE(frame->Actions().stop->isEnabled());
    PressKey(frame, Qt::Key_Escape);
    EXPECT_FALSE(frame->Actions().stop->isEnabled()) << "asked once";
    EXPECT_EQ(frame->StatusText(), "Stopping...");
    gate->Open();
    view->FinishWorkerForTest();
    EXPECT_EQ(MessageBox::TakeShownTexts(), std::vector<QString>{"The download was stopped."});
    EXPECT_EQ(view->Tree(), before);
    EXPECT_EQ(Titles(), QStringList{"Zelk Vondrel"});
    EXPECT_EQ(lastDevice->sessionsEnded, 1);
    EXPECT_FALSE(frame->Actions().stop->isEnabled());
}

TEST_F(DownloadTest, ClosingTheWindowDoesNotWaitForTheHandheld) {
    AddVondrel({{QStringLiteral("Ann"), 1200, 7}});
    CloseGate();
    view->StartDownload();
    gate->WaitUntilEntered();
    frame->close(); // the handheld has not answered yet
    EXPECT_FALSE(frame->isVisible());

    gate->Open();
    view->FinishWorkerForTest();
    EXPECT_FALSE(view->IsBusy());
    EXPECT_FALSE(app.connection.IsConnected());
    EXPECT_TRUE(app.collection.sources.empty()) << "stopped before the scan";
    EXPECT_EQ(view->Tree(), nullptr);
    EXPECT_TRUE(MessageBox::TakeShown().empty());
}

TEST_F(DownloadTest, DeletingTheWindowDuringADownloadIsSafe) {
    AddVondrel({{QStringLiteral("Ann"), 1200, 7}});
    CloseGate();
    view->StartDownload();
    gate->WaitUntilEntered();
    std::thread answer([gate = gate] { gate->Open(); });
    app.ExitInstance(); // deletes the window, which joins the worker first
    answer.join();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(app.MainFrame(), nullptr);
    EXPECT_FALSE(app.connection.IsConnected());
    EXPECT_TRUE(MessageBox::TakeShown().empty());
    EXPECT_FALSE(app.collection.progress) << "no callback into the deleted view";
}

} // namespace
