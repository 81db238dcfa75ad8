#include "app/ScorvaneApp.h"

#include "app/Artwork.h"
#include "app/MainFrame.h"
#include "ui/Profile.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSettings>

namespace {

QString ProfileKey() {
    return QString::fromLatin1(kDeviceSection) + u'/' + QString::fromLatin1(kImageFolderKey);
}

// The per-user profile, whether or not the application's names are set yet.
QSettings Profile() {
    return QSettings(QString::fromLatin1(kMakerName), QString::fromLatin1(kAppName));
}

} // namespace

CScorvaneApp::CScorvaneApp()
    : deviceFactory([](const QString& folder) { return CreateDevice(folder); }) {}

CScorvaneApp::~CScorvaneApp() {
    ExitInstance();
}

bool CScorvaneApp::InitInstance() {
    // The profile lives under the maker's name and the program's name.
    QCoreApplication::setOrganizationName(QString::fromLatin1(kMakerName));
    QCoreApplication::setApplicationName(QString::fromLatin1(kAppName));
    QGuiApplication::setApplicationDisplayName(QString::fromLatin1(kDisplayName));
    QGuiApplication::setWindowIcon(AppIcon());

    mainFrame = std::make_unique<CMainFrame>(this);
    mainFrame->show();
    return true;
}

int CScorvaneApp::ExitInstance() {
    mainFrame.reset();
    return 0;
}

void CScorvaneApp::LoadSettings() {
    settings.Load();
}

QString CScorvaneApp::RememberedImageFolder() {
    return Profile().value(ProfileKey()).toString();
}

bool CScorvaneApp::SetDeviceImageFolder(const QString& folder, bool remember) {
    imageFolder = folder;
    if (!remember)
        return true;
    QSettings settings = Profile();
    if (folder.isEmpty())
        settings.remove(ProfileKey());
    else
        settings.setValue(ProfileKey(), folder);
    return SaveProfile(settings);
}

IRapiDevice* CScorvaneApp::PrepareDevice() {
    device = deviceFactory ? deviceFactory(imageFolder) : CreateDevice(imageFolder);
    return device.get();
}
