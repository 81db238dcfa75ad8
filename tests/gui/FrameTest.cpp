// The main window: its commands, status bar, welcome picture and hot spot, and its place on
// the screen from one run to the next.
#include "GuiTestSupport.h"
#include "app/MainFrame.h"
#include "app/MessageBox.h"
#include "app/ScoreView.h"
#include "app/ScorvaneApp.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSettings>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {

class FrameTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(OpenWindow());
    }

    QStringList MenuTexts(const QString& title) const {
        QStringList texts;
        for (QAction* menu : frame->menuBar()->actions()) {
            if (menu->text() != title)
                continue;
            for (QAction* item : menu->menu()->actions())
                texts << (item->isSeparator() ? QStringLiteral("-") : item->text());
        }
        return texts;
    }
};

TEST_F(FrameTest, MenusHoldTheCommandsInOrder) {
    QStringList titles;
    for (QAction* menu : frame->menuBar()->actions())
        titles << menu->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Tools", "&Help"}));
    EXPECT_EQ(MenuTexts("&Tools"),
              (QStringList{"&Download", "&Publish", "S&top", "Show &Skyholm Highscores Webpage",
                           "&Show Ludora Highscores Webpage", "-", "&Options..."}));
    EXPECT_EQ(MenuTexts("&Help"), (QStringList{"&Zelk Products Webpage", "&About Scorvane"}));
    EXPECT_EQ(MenuTexts("&File").last(), "E&xit");
    EXPECT_TRUE(MenuTexts("&File").contains("Choose &Device Image..."));
    EXPECT_EQ(frame->windowTitle(), "Scorvane");
}

TEST_F(FrameTest, ToolbarHasFiveButtonsWithPromptsAndTooltips) {
    const QList<QAction*> buttons = frame->ToolBar()->actions();
    const auto& c = frame->Actions();
    EXPECT_EQ(buttons, (QList<QAction*>{c.tbDownload, c.tbPublish, c.stop, c.tbIslandsPage,
                                        c.tbCommunityPage}))
        << "no separators either";
    EXPECT_EQ(frame->ToolBar()->iconSize(), QSize(32, 32));
    for (QAction* button : buttons) {
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_FALSE(button->icon().pixmap(QSize(32, 32), QIcon::Active).isNull());
    }
    EXPECT_EQ(c.tbDownload->statusTip(), "Download the highscores from the mobile device");
    EXPECT_EQ(c.tbDownload->toolTip(), "Download the highscores");
    EXPECT_EQ(c.exit->statusTip(), "Quit the application");
    EXPECT_EQ(c.exit->toolTip(), "Exit");
}

TEST_F(FrameTest, StatusBarSaysReadyAndShowsTheIndicators) {
    EXPECT_EQ(frame->StatusText(), "Ready");
    EXPECT_FALSE(frame->BusyIndicator()->isVisible());
    for (const char* name : {"indicatorCAP", "indicatorNUM", "indicatorSCRL"}) {
        auto* label = frame->findChild<QLabel*>(QString::fromLatin1(name));
        ASSERT_NE(label, nullptr) << name;
        EXPECT_TRUE(label->isVisible());
    }
}

TEST_F(FrameTest, IdleWithoutATreeEverythingButPublishAndStopIsEnabled) {
    const auto& c = frame->Actions();
    EXPECT_TRUE(c.download->isEnabled());
    EXPECT_TRUE(c.tbDownload->isEnabled());
    EXPECT_FALSE(c.publish->isEnabled());
    EXPECT_FALSE(c.tbPublish->isEnabled());
    EXPECT_FALSE(c.stop->isEnabled());
    for (QAction* action : {c.islandsPage, c.tbIslandsPage, c.communityPage, c.tbCommunityPage,
                            c.options, c.productsPage, c.about, c.exit})
        EXPECT_TRUE(action->isEnabled()) << action->objectName().toStdString();
}

TEST_F(FrameTest, ShrinkingStopsWhereTheClientAreaEqualsThePicture) {
    frame->resize(10, 10);
    QApplication::processEvents();
    EXPECT_EQ(view->contentsRect().size(), QSize(560, 350));
    EXPECT_EQ(view->PictureRect().topLeft(), view->contentsRect().topLeft());
}

TEST_F(FrameTest, PictureStaysCentredWithWhiteMargins) {
    frame->resize(1000, 800);
    QApplication::processEvents();
    const QRect client = view->contentsRect();
    const QRect picture = view->PictureRect();
    ASSERT_GT(client.width(), 560 + 40);
    EXPECT_EQ(picture.size(), QSize(560, 350));
    EXPECT_EQ(picture.left() - client.left(), (client.width() - picture.width()) / 2);
    EXPECT_EQ(picture.top() - client.top(), (client.height() - picture.height()) / 2);

    const QImage shot = view->grab().toImage();
    const qreal scale = shot.width() / qreal(view->width());
    auto colourAt = [&](QPoint p) { return shot.pixelColor((QPointF(p) * scale).toPoint()); };
    EXPECT_EQ(colourAt(client.topLeft() + QPoint(5, 5)), QColor(Qt::white));
    EXPECT_EQ(colourAt(QPoint(picture.left() - 10, picture.center().y())), QColor(Qt::white));
    EXPECT_EQ(colourAt(QPoint(picture.center().x(), picture.bottom() + 10)), QColor(Qt::white));
    // The picture itself is drawn: the handheld's dark body sits left of its middle.
    const QColor body = colourAt(picture.topLeft() + QPoint(91, 236));
    EXPECT_LT(body.lightness(), 100);
}

TEST_F(FrameTest, HotSpotShowsTheHandInsideOnly) {
    frame->resize(900, 700);
    QApplication::processEvents();
    const QPoint origin = view->PictureRect().topLeft();
    auto shapeAt = [&](int x, int y) {
        MoveMouse(view, origin + QPoint(x, y));
        return view->cursor().shape();
    };
    // Left and top edges belong to the hot spot, right and bottom ones do not.
    EXPECT_EQ(shapeAt(148, 214), Qt::BitmapCursor);
    EXPECT_EQ(shapeAt(297, 234), Qt::BitmapCursor);
    EXPECT_EQ(shapeAt(147, 214), Qt::ArrowCursor);
    EXPECT_EQ(shapeAt(148, 213), Qt::ArrowCursor);
    EXPECT_EQ(shapeAt(298, 220), Qt::ArrowCursor);
    EXPECT_EQ(shapeAt(200, 235), Qt::ArrowCursor);
    EXPECT_EQ(shapeAt(200, 220), Qt::BitmapCursor);
    EXPECT_EQ(view->cursor().hotSpot(), QPoint(5, 0));
}

TEST_F(FrameTest, TheWelcomeLinkWorksFromTheKeyboard) {
    app.SetDeviceImageFolder(QStringLiteral("/no/such/image"), false);
    QAbstractButton* link = view->HotSpotLink();
    EXPECT_EQ(link->accessibleName(), "Download highscores");
    EXPECT_EQ(link->geometry(), view->HotSpotRect());
    ASSERT_TRUE(WaitForWindowActive(frame));
    const QImage unfocused = view->grab(view->HotSpotRect()).toImage();
    PressKey(frame, Qt::Key_Tab);
    ASSERT_TRUE(link->hasFocus());
    EXPECT_NE(view->grab(view->HotSpotRect()).toImage(), unfocused) << "the focus shows";
    for (int key : {Qt::Key_Return, Qt::Key_Space}) {
        PressKey(frame, key);
        EXPECT_TRUE(view->IsBusy()) << key;
        view->FinishWorkerForTest();
    }
}

TEST_F(FrameTest, WebPageCommandsOpenTheirPages) {
    UrlCatcher catcher;
    const auto& c = frame->Actions();
    c.communityPage->trigger();
    c.tbIslandsPage->trigger();
    c.islandsPage->trigger();
    c.productsPage->trigger();
    EXPECT_EQ(catcher.opened, (QStringList{"http://www.ludora-highscores.example/scores/",
                                           "http://www.zelkskyholm.example/high_scores.php",
                                           "http://www.zelkskyholm.example/high_scores.php",
                                           "http://www.zelkora.example/products/"}));
    EXPECT_TRUE(MessageBox::TakeShown().empty());
}

TEST_F(FrameTest, ChosenDeviceImageIsRememberedAndUsed) {
    QString seen = "unset";
    app.deviceFactory = [&](const QString& folder) {
        seen = folder;
        return CreateDevice(folder);
    };
    app.SetDeviceImageFolder("/images/one", true);
    EXPECT_EQ(CScorvaneApp::RememberedImageFolder(), "/images/one");
    EXPECT_NE(app.PrepareDevice(), nullptr);
    EXPECT_EQ(seen, "/images/one");

    app.SetDeviceImageFolder("/images/two", false);
    EXPECT_EQ(CScorvaneApp::RememberedImageFolder(), "/images/one") << "a run-only folder";
    app.PrepareDevice();
    EXPECT_EQ(seen, "/images/two");

    app.SetDeviceImageFolder(QString(), true);
    EXPECT_EQ(CScorvaneApp::RememberedImageFolder(), "");
}

TEST(WindowPlace, SizePositionAndToolbarAreKeptFromOneRunToTheNext) {
    QSettings().remove(QStringLiteral("Window"));
    QRect geometry;
    {
        CScorvaneApp app;
        ASSERT_TRUE(app.InitInstance());
        CMainFrame* frame = app.MainFrame();
        frame->setGeometry(QRect(40, 60, 900, 640));
        frame->addToolBar(Qt::LeftToolBarArea, frame->ToolBar());
        QApplication::processEvents();
        geometry = frame->geometry();
        frame->close();
    }
    CScorvaneApp app;
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.MainFrame()->geometry(), geometry);
    EXPECT_EQ(app.MainFrame()->toolBarArea(app.MainFrame()->ToolBar()), Qt::LeftToolBarArea);
    QSettings().remove(QStringLiteral("Window"));
}

} // namespace
