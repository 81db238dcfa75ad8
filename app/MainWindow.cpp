#include "app/MainWindow.h"

#include "app/AboutDialog.h"
#include "app/Artwork.h"
#include "app/MessageBox.h"
#include "app/ScoreView.h"
#include "app/WebPages.h"
#include "handheld/ImageHandheld.h"
#include "profile/DeviceSettings.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

namespace {

constexpr char kIdlePrompt[] = "Ready";
const QString kGeometryKey = QStringLiteral("Window/Geometry");
const QString kStateKey = QStringLiteral("Window/State");

// A command's status-bar prompt, and its tooltip when that differs.
struct Prompt {
    const char* statusTip;
    const char* toolTip = nullptr;
};

constexpr Prompt kDownloadPrompt{"Download the highscores from the mobile device",
                                 "Download the highscores"};
constexpr Prompt kPublishPrompt{"Publish the highscores on the server", "Publish the highscores"};
constexpr Prompt kStopPrompt{"Stop the running download or publish",
                             "Stop the download or publish"};
constexpr Prompt kOptionsPrompt{"Change options"};
constexpr Prompt kCommunityPrompt{"Show the Ludora highscores webpage"};
constexpr Prompt kIslandsPrompt{"Show the Skyholm highscores webpage"};
constexpr Prompt kProductsPrompt{"Show Zelkora products webpage"};
constexpr Prompt kAboutPrompt{"Display the program information and copyright"};
constexpr Prompt kExitPrompt{"Quit the application", "Exit"};
constexpr Prompt kChooseDevicePrompt{"Use a device image folder in place of the mobile device",
                                     "Choose a device image"};
constexpr Prompt kUseHandheldPrompt{"Download from the mobile device connected to this PC",
                                    "Use the connected device"};

} // namespace

MainWindow::MainWindow(const QString& imageFolder, Workflow::HandheldFactory handhelds,
                       QWidget* parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QString::fromLatin1(kApplicationName)); // the icon is the application's
    if (!handhelds)
        handhelds = [this](const QString& folder) { return createHandheld(folder, m_profile); };

    m_view = new ScoreView(this);
    setCentralWidget(m_view);
    m_workflow = std::make_unique<Workflow>(m_view, m_profile, std::move(handhelds));
    m_workflow->setImageFolder(imageFolder);

    createActions();
    createMenus();
    createToolBar();
    createStatusBar();

    connect(m_workflow.get(), &Workflow::stateChanged, this, &MainWindow::updateCommands);
    connect(m_workflow.get(), &Workflow::progress, this, &MainWindow::showProgress);
    connect(m_view, &ScoreView::treeChanged, this, &MainWindow::updateCommands);
    connect(m_view, &ScoreView::downloadRequested, m_workflow.get(), &Workflow::download);
    updateCommands();
    showDevice();
    restoreWindow();
}

MainWindow::~MainWindow() = default;

void MainWindow::createActions() {
    const auto make = [this](const QString& text, const Prompt& prompt, const char* name) {
        auto* action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        action->setStatusTip(QLatin1String(prompt.statusTip));
        action->setToolTip(QLatin1String(prompt.toolTip ? prompt.toolTip : prompt.statusTip));
        return action;
    };
    Commands& c = m_commands;
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
    c.toolbarDownload = make(QStringLiteral("Download"), kDownloadPrompt, "toolbarDownload");
    c.toolbarPublish = make(QStringLiteral("Publish"), kPublishPrompt, "toolbarPublish");
    c.toolbarIslandsPage = make(QStringLiteral("Skyholm"), kIslandsPrompt, "toolbarIslandsPage");
    c.toolbarCommunityPage =
        make(QStringLiteral("Ludora"), kCommunityPrompt, "toolbarCommunityPage");

    c.toolbarDownload->setIcon(toolbarIcon("download"));
    c.toolbarPublish->setIcon(toolbarIcon("publish"));
    c.toolbarIslandsPage->setIcon(toolbarIcon("islands"));
    c.toolbarCommunityPage->setIcon(toolbarIcon("community"));
    c.stop->setIcon(toolbarIcon("stop"));
    c.stop->setIconVisibleInMenu(false);

    c.download->setShortcut(Qt::Key_F5);
    c.stop->setShortcut(Qt::Key_Escape);
    c.exit->setMenuRole(QAction::QuitRole);
    c.about->setMenuRole(QAction::AboutRole);
    c.options->setMenuRole(QAction::PreferencesRole);

    Workflow* workflow = m_workflow.get();
    connect(c.chooseDevice, &QAction::triggered, this, &MainWindow::chooseDeviceImage);
    connect(c.useHandheld, &QAction::triggered, this, [this] { useDevice(QString()); });
    connect(c.exit, &QAction::triggered, this, &QWidget::close);
    for (QAction* action : {c.download, c.toolbarDownload})
        connect(action, &QAction::triggered, workflow, &Workflow::download);
    for (QAction* action : {c.publish, c.toolbarPublish})
        connect(action, &QAction::triggered, workflow, &Workflow::publish);
    connect(c.stop, &QAction::triggered, workflow, &Workflow::stop);
    for (QAction* action : {c.islandsPage, c.toolbarIslandsPage})
        connect(action, &QAction::triggered, this, [this] { openWebPage(islandsScoresPage()); });
    for (QAction* action : {c.communityPage, c.toolbarCommunityPage})
        connect(action, &QAction::triggered, this, [this] { openWebPage(communityScoresPage()); });
    connect(c.productsPage, &QAction::triggered, this, [this] { openWebPage(productsPage()); });
    connect(c.options, &QAction::triggered, workflow, &Workflow::runOptions);
    connect(c.about, &QAction::triggered, this, [this] { AboutDialog(this).exec(); });
}

void MainWindow::createMenus() {
    const Commands& c = m_commands;
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addActions({c.chooseDevice, c.useHandheld});
    file->addSeparator();
    file->addAction(c.exit);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->addActions({c.download, c.publish, c.stop, c.islandsPage, c.communityPage});
    tools->addSeparator();
    tools->addAction(c.options);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addActions({c.productsPage, c.about});
}

void MainWindow::createToolBar() {
    m_toolBar = addToolBar(QStringLiteral("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setIconSize(QSize(32, 32));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const Commands& c = m_commands;
    m_toolBar->addActions({c.toolbarDownload, c.toolbarPublish, c.stop, c.toolbarIslandsPage,
                           c.toolbarCommunityPage});
}

void MainWindow::createStatusBar() {
    QStatusBar* bar = statusBar();
    // Ordinary widgets give way to a command's prompt while the mouse is over it, so the
    // message pane reads "Ready" again as soon as no prompt shows.
    m_message = new QLabel(QString::fromLatin1(kIdlePrompt));
    m_message->setObjectName(QStringLiteral("messagePane"));
    m_message->setMinimumWidth(1);
    bar->addWidget(m_message, 1);

    m_busy = new QProgressBar;
    m_busy->setObjectName(QStringLiteral("busyIndicator"));
    m_busy->setRange(0, 0); // no end known: an indeterminate bar
    m_busy->setTextVisible(false);
    m_busy->setMaximumSize(120, 14);
    m_busy->hide();
    bar->addWidget(m_busy);

    m_device = new QLabel;
    m_device->setObjectName(QStringLiteral("devicePane"));
    bar->addPermanentWidget(m_device);

    // The lock-key indicators. Their state cannot be read portably, so they show as an
    // indicator whose key is off does: greyed.
    for (const char* text : {"CAP", "NUM", "SCRL"}) {
        auto* indicator = new QLabel(QString::fromLatin1(text));
        indicator->setAlignment(Qt::AlignCenter);
        indicator->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        indicator->setMinimumWidth(
            indicator->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 10);
        indicator->setEnabled(false);
        bar->addPermanentWidget(indicator);
    }
}

QString MainWindow::statusText() const {
    return m_message->text();
}

void MainWindow::showProgress(const QString& text) {
    if (m_workflow->isBusy() && !m_workflow->isStopping())
        m_message->setText(text);
}

void MainWindow::updateCommands() {
    const bool idle = !m_workflow->isBusy();
    const bool stopping = m_workflow->isStopping();
    const bool hasTree = m_view->tree() != nullptr;
    const Commands& c = m_commands;
    for (QAction* action : {c.download, c.toolbarDownload, c.toolbarIslandsPage, c.communityPage,
                            c.toolbarCommunityPage, c.productsPage, c.chooseDevice})
        action->setEnabled(idle);
    // The menu's islands page stays enabled, but does nothing while a job runs.
    c.publish->setEnabled(idle && hasTree);
    c.toolbarPublish->setEnabled(idle && hasTree);
    c.stop->setEnabled(!idle && !stopping);
    c.useHandheld->setEnabled(idle && !m_workflow->imageFolder().isEmpty());

    if (idle) {
        m_message->setText(QString::fromLatin1(kIdlePrompt));
        m_busy->hide();
    } else if (stopping) {
        m_message->setText(QStringLiteral("Stopping..."));
    } else {
        m_busy->show(); // the job tells what it does through its progress
    }
}

void MainWindow::showDevice() {
    const QString& folder = m_workflow->imageFolder();
    if (folder.isEmpty()) {
        m_device->setText(QStringLiteral("Mobile device"));
        m_device->setToolTip(QStringLiteral("Downloads read the connected mobile device"));
    } else {
        m_device->setText(QStringLiteral("Image: ") + QDir(folder).dirName());
        m_device->setToolTip(QStringLiteral("Downloads read the device image in ") +
                             QDir::toNativeSeparators(folder));
    }
}

void MainWindow::useDevice(const QString& imageFolder) {
    m_workflow->setImageFolder(imageFolder);
    if (!rememberImageFolder(m_profile, imageFolder))
        MessageBox::show(this, UserProfile::notSavedText());
    showDevice();
    updateCommands();
}

void MainWindow::chooseDeviceImage() {
    if (m_workflow->isBusy())
        return;
    const QString current = m_workflow->imageFolder();
    const QString folder = QFileDialog::getExistingDirectory(
        this, QStringLiteral("Choose Device Image"), current.isEmpty() ? QDir::homePath() : current,
        QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    if (!ImageHandheld::looksLikeImage(folder)) {
        MessageBox::show(this, QStringLiteral("The folder \"") + QDir::toNativeSeparators(folder) +
                                   QStringLiteral("\" is not a device image: it holds neither "
                                                  "a \"files\" folder nor a \"registry.reg\"."));
        return;
    }
    useDevice(folder);
}

void MainWindow::openWebPage(const QString& url) {
    // Whether a browser opened is not checked, and no error is shown.
    if (!m_workflow->isBusy())
        QDesktopServices::openUrl(QUrl(url));
}

void MainWindow::restoreWindow() {
    if (!restoreGeometry(m_profile.value(kGeometryKey).toByteArray()))
        resize(kDefaultWindowSize);
    restoreState(m_profile.value(kStateKey).toByteArray());
}

void MainWindow::saveWindow() {
    // The window's place is not worth a message on the way out.
    if (!m_profile.setValue(kGeometryKey, saveGeometry()) ||
        !m_profile.setValue(kStateKey, saveState()))
        qWarning("scorvane: the window's place could not be saved");
}

void MainWindow::closeEvent(QCloseEvent* event) {
    saveWindow();
    // The window goes at once. A running job is asked to stop (an upload is dropped, a
    // download ends at its next step) and is waited for when the window is deleted; what it
    // reports is not shown.
    m_workflow->abandon();
    QMainWindow::closeEvent(event);
}
