#pragma once

#include "device/DeviceConnector.h"
#include "device/HighscoreCollection.h"
#include "device/RapiSession.h"
#include "ui/Settings.h"

#include <QString>
#include <functional>
#include <memory>

class CMainFrame;
class IRapiDevice;

// The name of the profile ("Zelkora/Scorvane") and the caption of every message box and of
// the main window. Two names, because the profile's location must not move if the caption
// ever changes.
inline constexpr const char* kMakerName = "Zelkora";
inline constexpr const char* kAppName = "Scorvane";
inline constexpr const char* kDisplayName = "Scorvane";

// Where the chosen device image folder is remembered in the profile.
inline constexpr const char* kDeviceSection = "Device";
inline constexpr const char* kImageFolderKey = "ImageFolder";

// The application object: one per process. It owns the connection to the handheld, the
// highscore collection and the settings, and the main window.
class CScorvaneApp {
public:
    CScorvaneApp();
    ~CScorvaneApp();
    CScorvaneApp(const CScorvaneApp&) = delete;
    CScorvaneApp& operator=(const CScorvaneApp&) = delete;

    // Names the profile and the program, then creates and shows the main window. False when
    // the window could not be created.
    bool InitInstance();
    // Closes and deletes the main window.
    int ExitInstance();

    CMainFrame* MainFrame() const { return mainFrame.get(); }

    // Reads the settings from the profile; the view calls it when it is created.
    void LoadSettings();

    // The device image folder that stands in for the handheld; empty for the handheld
    // reached through the desktop's remote API. A folder given on the command line is used
    // for this run only; one chosen in the program is remembered in the profile (false when
    // the profile could not be saved).
    QString DeviceImageFolder() const { return imageFolder; }
    bool SetDeviceImageFolder(const QString& folder, bool remember);
    // The folder remembered in the profile.
    static QString RememberedImageFolder();

    // Replaces the backend for the next download and returns it. Only called while no
    // worker runs, so the previous backend is no longer in use.
    IRapiDevice* PrepareDevice();

    // Makes the backends; tests put their own handhelds here.
    std::function<std::unique_ptr<IRapiDevice>(const QString& imageFolder)> deviceFactory;
    // How long a download waits for the handheld to answer.
    rapi::DWORD sessionWaitMs = kSessionWaitMs;

private:
    // Declared before the session, so that the session can end on it during destruction.
    std::unique_ptr<IRapiDevice> device;

public:
    // Whether a session with the handheld is open. Only the download worker changes it.
    RapiSession connection;
    // Everything found on the handheld; the download worker fills it.
    CHighscoreCollection collection{25};
    // Server names, e-mail addresses and the islands account: constructed empty, loaded by
    // LoadSettings(). Only the user-interface thread touches it; a publish worker reads its
    // own copy.
    CSettings settings;

private:
    QString imageFolder;
    // Destroyed first: the window joins a running worker before anything it uses goes.
    std::unique_ptr<CMainFrame> mainFrame;
};
