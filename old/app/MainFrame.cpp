#include "app/MainFrame.h"

#include "app/Artwork.h"
#include "app/MessageBox.h"
#include "app/ScoreView.h"
#include "app/ScorvaneApp.h"
#include "device/SimulatedDevice.h"
#include "ui/Profile.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>

namespace {

constexpr const char* kIdlePrompt = "Ready";

// A command's status-bar prompt and its tooltip, as "prompt\ntooltip".
void SetPrompt(QAction* action, const char* texts) {
    const QStringList parts = QString::fromLatin1(texts).split(u'\n');
    action->setStatusTip(parts.value(0));
    action->setToolTip(parts.value(1, parts.value(0)));
}

constexpr const char* kDownloadPrompt =
    "Download the highscores from the mobile device\nDownload the highscores";
constexpr const char* kPublishPrompt =
    "Publish the highscores on the server\nPublish the highscores";
constexpr const char* kStopPrompt =
    "Stop the running download or publish\nStop the download or publish";
constexpr const char* kOptionsPrompt = "Change options\nChange options";
constexpr const char* kCommunityPrompt =
    "Show the Ludora highscores webpage\nShow the Ludora highscores webpage";
constexpr const char* kIslandsPrompt =
    "Show the Skyholm highscores webpage\nShow the Skyholm highscores webpage";
constexpr const char* kProductsPrompt =
    "Show Zelkora products webpage\nShow Zelkora products webpage";
constexpr const char* kAboutPrompt = "Display the program information and copyright\n"
                                     "Display the program information and copyright";
constexpr const char* kExitPrompt = "Quit the application\nExit";
constexpr const char* kChooseDevicePrompt =
    "Use a device image folder in place of the mobile device\nChoose a device image";
constexpr const char* kUseHandheldPrompt =
    "Download from the mobile device connected to this PC\nUse the connected device";

// Where the window's size, place and toolbar are kept.
constexpr const char* kGeometryKey = "Window/Geometry";
constexpr const char* kStateKey = "Window/State";

QSettings Profile() {
    return QSettings(QString::fromLatin1(kMakerName), QString::fromLatin1(kAppName));
}

} // namespace

CMainFrame::CMainFrame(CScorvaneApp* app, QWidget* parent) : QMainWindow(parent), app(app) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QString::fromLatin1(kDisplayName)); // the icon is the application's

    view = new CScoreView(app, this);
    setCentralWidget(view);

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();

    connect(view, &CScoreView::stateChanged, this, &CMainFrame::UpdateCommands);
    connect(view, &CScoreView::progress, this, &CMainFrame::OnProgress);
    UpdateCommands();
    ShowDeviceInStatusBar();
    RestoreWindow();
}

CMainFrame::~CMainFrame() {
    // The worker must not outlive the window's parts.
    view->JoinWorker();
}

void CMainFrame::CreateActions() {
    auto make = [this](const QString& text, const char* prompt, const char* name) {
        auto* action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        SetPrompt(action, prompt);
        return action;
    };
    Commands& c = commands;
    c.chooseDevice =
        make(QStringLiteral("Choose &Device Image..."), kChooseDevicePrompt, "chooseDevice");
    c.useHandheld =
        make(QStringLiteral("Use &Connected Device"), kUseHandheldPrompt, "useHandheld");
    c.exit = make(QStringLiteral("E&xit"), kExitPrompt, "exit");
    c.download = make(QStringLiteral("&Download"), kDownloadPrompt, "download");
    c.publish = make(QStringLiteral("&Publish"), kPublishPrompt, "publish");
    c.stop = make(QStringLiteral("S&top"), kStopPrompt, "stop");
    c.islandsPage =
        make(QStringLiteral("Show &Skyholm Highscores Webpage"), kIslandsPrompt, "islandsPage");
    c.communityPage =
        make(QStringLiteral("&Show Ludora Highscores Webpage"), kCommunityPrompt, "communityPage");
    c.options = make(QStringLiteral("&Options..."), kOptionsPrompt, "options");
    c.productsPage =
        make(QStringLiteral("&Zelk Products Webpage"), kProductsPrompt, "productsPage");
    c.about = make(QStringLiteral("&About Scorvane"), kAboutPrompt, "about");

    c.tbDownload = make(QStringLiteral("Download"), kDownloadPrompt, "tbDownload");
    c.tbPublish = make(QStringLiteral("Publish"), kPublishPrompt, "tbPublish");
    c.tbIslandsPage = make(QStringLiteral("Skyholm"), kIslandsPrompt, "tbIslandsPage");
    c.tbCommunityPage = make(QStringLiteral("Ludora"), kCommunityPrompt, "tbCommunityPage");
    c.tbDownload->setIcon(ToolbarIcon(TB_DOWNLOAD));
    c.tbPublish->setIcon(ToolbarIcon(TB_PUBLISH));
    c.tbIslandsPage->setIcon(ToolbarIcon(TB_ISLANDS_PAGE));
    c.tbCommunityPage->setIcon(ToolbarIcon(TB_COMMUNITY_PAGE));
    c.stop->setIcon(ToolbarIcon(TB_STOP));
    c.stop->setIconVisibleInMenu(false);

    c.download->setShortcut(Qt::Key_F5);
    c.stop->setShortcut(Qt::Key_Escape);

    c.exit->setMenuRole(QAction::QuitRole);
    c.about->setMenuRole(QAction::AboutRole);
    c.options->setMenuRole(QAction::PreferencesRole);

    connect(c.chooseDevice, &QAction::triggered, this, &CMainFrame::ChooseDeviceImage);
    connect(c.useHandheld, &QAction::triggered, this, [this] {
        if (!this->app->SetDeviceImageFolder(QString(), true))
            MessageBox::Show(this, ProfileNotSavedText());
        ShowDeviceInStatusBar();
        UpdateCommands();
    });
    connect(c.exit, &QAction::triggered, this, &QWidget::close);
    for (QAction* action : {c.download, c.tbDownload})
        connect(action, &QAction::triggered, view, &CScoreView::StartDownload);
    for (QAction* action : {c.publish, c.tbPublish})
        connect(action, &QAction::triggered, view, &CScoreView::StartPublish);
    connect(c.stop, &QAction::triggered, view, &CScoreView::StopWorker);
    for (QAction* action : {c.islandsPage, c.tbIslandsPage})
        connect(action, &QAction::triggered, view, &CScoreView::ShowIslandsPage);
    for (QAction* action : {c.communityPage, c.tbCommunityPage})
        connect(action, &QAction::triggered, view, &CScoreView::ShowCommunityPage);
    connect(c.options, &QAction::triggered, view, &CScoreView::RunOptions);
    connect(c.productsPage, &QAction::triggered, view, &CScoreView::ShowProductsPage);
    connect(c.about, &QAction::triggered, this, [this] { ShowAboutBox(this); });
}

void CMainFrame::CreateMenus() {
    const Commands& c = commands;
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(c.chooseDevice);
    file->addAction(c.useHandheld);
    file->addSeparator();
    file->addAction(c.exit);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->addAction(c.download);
    tools->addAction(c.publish);
    tools->addAction(c.stop);
    tools->addAction(c.islandsPage);
    tools->addAction(c.communityPage);
    tools->addSeparator();
    tools->addAction(c.options);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(c.productsPage);
    help->addAction(c.about);
}

void CMainFrame::CreateToolBar() {
    toolBar = addToolBar(QStringLiteral("Toolbar"));
    toolBar->setObjectName(QStringLiteral("toolBar"));
    toolBar->setIconSize(QSize(32, 32));
    toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar->setMovable(true);
    toolBar->addAction(commands.tbDownload);
    toolBar->addAction(commands.tbPublish);
    toolBar->addAction(commands.stop);
    toolBar->addAction(commands.tbIslandsPage);
    toolBar->addAction(commands.tbCommunityPage);
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    // Ordinary widgets give way to a command's prompt while the mouse is over it, so the
    // message pane reads "Ready" again as soon as no prompt shows.
    messagePane = new QLabel(QString::fromLatin1(kIdlePrompt));
    messagePane->setObjectName(QStringLiteral("messagePane"));
    messagePane->setMinimumWidth(1);
    bar->addWidget(messagePane, 1);

    busyBar = new QProgressBar;
    busyBar->setObjectName(QStringLiteral("busyIndicator"));
    busyBar->setRange(0, 0); // no end known: an indeterminate bar
    busyBar->setTextVisible(false);
    busyBar->setMaximumWidth(120);
    busyBar->setMaximumHeight(14);
    busyBar->hide();
    bar->addWidget(busyBar);

    devicePane = new QLabel;
    devicePane->setObjectName(QStringLiteral("devicePane"));
    bar->addPermanentWidget(devicePane);

    // The lock-key indicators. Their state cannot be read portably, so they show as an
    // indicator whose key is off does: greyed.
    for (const char* text : {"CAP", "NUM", "SCRL"}) {
        auto* indicator = new QLabel(QString::fromLatin1(text));
        indicator->setObjectName(QStringLiteral("indicator") + QString::fromLatin1(text));
        indicator->setAlignment(Qt::AlignCenter);
        indicator->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        indicator->setMinimumWidth(
            indicator->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 10);
        indicator->setEnabled(false);
        bar->addPermanentWidget(indicator);
    }
}

QString CMainFrame::StatusText() const {
    return messagePane->text();
}

void CMainFrame::OnProgress(const QString& text) {
    if (view->IsBusy() && !view->IsStopping())
        messagePane->setText(text);
}

void CMainFrame::ShowDeviceInStatusBar() {
    const QString folder = app ? app->DeviceImageFolder() : QString();
    if (folder.isEmpty()) {
        devicePane->setText(QStringLiteral("Mobile device"));
        devicePane->setToolTip(QStringLiteral("Downloads read the connected mobile device"));
    } else {
        devicePane->setText(QStringLiteral("Image: ") + QDir(folder).dirName());
        devicePane->setToolTip(QStringLiteral("Downloads read the device image in ") +
                               QDir::toNativeSeparators(folder));
    }
}

void CMainFrame::UpdateCommands() {
    const bool idle = !view->IsBusy();
    const bool hasTree = view->Tree() != nullptr;
    const Commands& c = commands;
    c.download->setEnabled(idle);
    c.tbDownload->setEnabled(idle);
    c.publish->setEnabled(idle && hasTree);
    c.tbPublish->setEnabled(idle && hasTree);
    c.stop->setEnabled(!idle && !view->IsStopping());
    c.islandsPage->setEnabled(true); // does nothing while a worker runs
    c.tbIslandsPage->setEnabled(idle);
    c.communityPage->setEnabled(idle);
    c.tbCommunityPage->setEnabled(idle);
    c.productsPage->setEnabled(idle);
    c.options->setEnabled(true);
    c.about->setEnabled(true);
    c.exit->setEnabled(true);
    c.chooseDevice->setEnabled(idle);
    c.useHandheld->setEnabled(idle && app && !app->DeviceImageFolder().isEmpty());

    if (idle) {
        messagePane->setText(QString::fromLatin1(kIdlePrompt));
        busyBar->hide();
    } else if (view->IsStopping()) {
        messagePane->setText(QStringLiteral("Stopping..."));
    } else {
        busyBar->show(); // the worker tells what it does through the view's progress
    }
}

void CMainFrame::ChooseDeviceImage() {
    if (view->IsBusy() || !app)
        return;
    QString start = app->DeviceImageFolder();
    if (start.isEmpty())
        start = QDir::homePath();
    const QString folder = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Choose Device Image"), start, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    if (!CSimulatedDevice::LooksLikeImage(folder)) {
        MessageBox::Show(this, QStringLiteral("The folder \"") + QDir::toNativeSeparators(folder) +
                                   QStringLiteral("\" is not a device image: it holds neither "
                                                  "a \"files\" folder nor a \"registry.reg\"."));
        return;
    }
    if (!app->SetDeviceImageFolder(folder, true))
        MessageBox::Show(this, ProfileNotSavedText());
    ShowDeviceInStatusBar();
    UpdateCommands();
}

void CMainFrame::RestoreWindow() {
    const QSettings profile = Profile();
    if (!restoreGeometry(profile.value(QString::fromLatin1(kGeometryKey)).toByteArray()))
        resize(760, 540);
    restoreState(profile.value(QString::fromLatin1(kStateKey)).toByteArray());
}

void CMainFrame::SaveWindow() const {
    QSettings profile = Profile();
    profile.setValue(QString::fromLatin1(kGeometryKey), saveGeometry());
    profile.setValue(QString::fromLatin1(kStateKey), saveState());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    SaveWindow();
    // The window goes at once. A running worker is asked to stop (an upload is dropped, a
    // download ends at its next step) and is waited for when the window is deleted; what it
    // reports is not shown.
    view->StopWorkerForClose();
    UpdateCommands();
    QMainWindow::closeEvent(event);
}
