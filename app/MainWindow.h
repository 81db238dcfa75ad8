#pragma once

#include "app/Workflow.h"
#include "profile/Profile.h"

#include <QMainWindow>
#include <memory>

class QAction;
class QLabel;
class QProgressBar;
class QToolBar;
class ScoreView;

// The window's size before the user gave it one.
inline constexpr QSize kDefaultWindowSize{760, 540};

// The program's one top-level window: the menus, a toolbar of five buttons, a status bar, and
// the view in the client area. Its size, place and toolbar are kept in the profile's "Window"
// section from one run to the next.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // imageFolder: the device image that downloads read; empty for the connected handheld.
    // Without a factory, downloads use the backends of the handheld layer.
    explicit MainWindow(const QString& imageFolder,
                        Workflow::HandheldFactory handhelds = Workflow::HandheldFactory(),
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    Workflow* workflow() const { return m_workflow.get(); }
    ScoreView* view() const { return m_view; }
    // The idle prompt, or what a job is doing.
    QString statusText() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void updateCommands();
    void showProgress(const QString& text);
    void showDevice();
    void chooseDeviceImage();
    void useDevice(const QString& imageFolder);
    void openWebPage(const QString& url);
    void restoreWindow();
    void saveWindow();

    // The commands. The menu and the toolbar have separate actions where their enabling
    // rules differ; Stop is one action in both.
    struct Commands {
        QAction* chooseDevice = nullptr;
        QAction* useHandheld = nullptr;
        QAction* exit = nullptr;
        QAction* download = nullptr;
        QAction* publish = nullptr;
        QAction* stop = nullptr;
        QAction* islandsPage = nullptr;
        QAction* communityPage = nullptr;
        QAction* options = nullptr;
        QAction* productsPage = nullptr;
        QAction* about = nullptr;
        QAction* toolbarDownload = nullptr;
        QAction* toolbarPublish = nullptr;
        QAction* toolbarIslandsPage = nullptr;
        QAction* toolbarCommunityPage = nullptr;
    };

    UserProfile m_profile;
    ScoreView* m_view = nullptr;
    // Destroyed before the profile it writes to.
    std::unique_ptr<Workflow> m_workflow;
    Commands m_commands;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_message = nullptr;
    QLabel* m_device = nullptr;
    QProgressBar* m_busy = nullptr;
};
