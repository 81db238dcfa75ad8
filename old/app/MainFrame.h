#pragma once

#include <QMainWindow>

class CScoreView;
class CScorvaneApp;
class QAction;
class QLabel;
class QProgressBar;
class QToolBar;

// The program's one top-level window: menus, a toolbar of five buttons, a status bar, and
// the view in the client area. Its size, place and toolbar are kept in the profile's
// "Window" section from one run to the next.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CScorvaneApp* app, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CScoreView* View() const { return view; }
    QToolBar* ToolBar() const { return toolBar; }

    // The commands. The menu and the toolbar have separate actions where their enabling
    // rules differ.
    struct Commands {
        QAction* chooseDevice = nullptr;
        QAction* useHandheld = nullptr;
        QAction* exit = nullptr;
        QAction* download = nullptr;
        QAction* publish = nullptr;
        QAction* stop = nullptr; // in the menu and on the toolbar
        QAction* islandsPage = nullptr;
        QAction* communityPage = nullptr;
        QAction* options = nullptr;
        QAction* productsPage = nullptr;
        QAction* about = nullptr;
        QAction* tbDownload = nullptr;
        QAction* tbPublish = nullptr;
        QAction* tbIslandsPage = nullptr;
        QAction* tbCommunityPage = nullptr;
    };
    const Commands& Actions() const { return commands; }

    // The idle prompt or what a download is doing.
    QString StatusText() const;
    // Tests: the busy indicator in the status bar.
    QProgressBar* BusyIndicator() const { return busyBar; }

    // Lets the user pick a device image folder; remembered in the profile.
    void ChooseDeviceImage();
    // Reflects the worker's state and the tree's existence in the commands.
    void UpdateCommands();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void ShowDeviceInStatusBar();
    void RestoreWindow();
    void SaveWindow() const;
    void OnProgress(const QString& text);

    CScorvaneApp* app;
    CScoreView* view = nullptr;
    QToolBar* toolBar = nullptr;
    QLabel* messagePane = nullptr;
    QLabel* devicePane = nullptr;
    QProgressBar* busyBar = nullptr;
    Commands commands;
};

// The About box, modal over parent.
void ShowAboutBox(QWidget* parent);
