#pragma once

#include "app/MainFrame.h"
#include "app/MessageBox.h"
#include "app/ScoreView.h"
#include "app/ScorvaneApp.h"
#include "device/RapiDevice.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QPoint>
#include <QStringList>
#include <QThread>
#include <QUrl>
#include <QWidget>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>

class QWidget;

// A handheld whose session start waits until the test opens the gate, so that a test can
// look at the program while a download is under way. Everything else is passed on to the
// device behind it.
class GatedDevice final : public IRapiDevice {
public:
    struct Gate {
        std::mutex mutex;
        std::condition_variable changed;
        bool open = false;
        bool entered = false;
        bool refuse = false; // the session then fails once the gate opens

        void Open();
        // Blocks until a worker waits at the gate (or has passed it).
        void WaitUntilEntered();
    };

    GatedDevice(std::unique_ptr<IRapiDevice> inner, std::shared_ptr<Gate> gate);

    bool StartSession(rapi::DWORD waitMs) override;
    void CeRapiUninit() override;
    rapi::LONG CeRegOpenKeyEx(rapi::HKEY key, const rapi::WCHAR* subKey, rapi::DWORD options,
                              rapi::DWORD access, rapi::HKEY* result) override;
    rapi::LONG CeRegQueryValueEx(rapi::HKEY key, const rapi::WCHAR* valueName,
                                 rapi::DWORD* reserved, rapi::DWORD* type, rapi::BYTE* data,
                                 rapi::DWORD* dataSize) override;
    rapi::LONG CeRegEnumValue(rapi::HKEY key, rapi::DWORD index, rapi::WCHAR* valueName,
                              rapi::DWORD* valueNameChars, rapi::DWORD* reserved, rapi::DWORD* type,
                              rapi::BYTE* data, rapi::DWORD* dataSize) override;
    rapi::LONG CeRegQueryInfoKey(rapi::HKEY key, rapi::WCHAR* className, rapi::DWORD* classChars,
                                 rapi::DWORD* reserved, rapi::DWORD* subKeys,
                                 rapi::DWORD* maxSubKeyChars, rapi::DWORD* maxClassChars,
                                 rapi::DWORD* values, rapi::DWORD* maxValueNameChars,
                                 rapi::DWORD* maxValueBytes, rapi::DWORD* securityDescriptorBytes,
                                 rapi::FILETIME* lastWriteTime) override;
    rapi::LONG CeRegCloseKey(rapi::HKEY key) override;
    rapi::HANDLE CeCreateFile(const rapi::WCHAR* fileName, rapi::DWORD access,
                              rapi::DWORD shareMode, rapi::DWORD creation,
                              rapi::DWORD flagsAndAttributes) override;
    rapi::DWORD CeGetFileSize(rapi::HANDLE file, rapi::DWORD* sizeHigh) override;
    rapi::BOOL CeReadFile(rapi::HANDLE file, void* buffer, rapi::DWORD bytesToRead,
                          rapi::DWORD* bytesRead) override;
    rapi::BOOL CeCloseHandle(rapi::HANDLE object) override;
    rapi::DWORD CeGetFileAttributes(const rapi::WCHAR* fileName) override;
    rapi::BOOL CeDeleteFile(const rapi::WCHAR* fileName) override;
    rapi::BOOL CeFindAllFiles(const rapi::WCHAR* pattern, rapi::DWORD flags, rapi::DWORD* count,
                              rapi::CE_FIND_DATA** found) override;
    rapi::HRESULT CeRapiFreeBuffer(void* buffer) override;
    void Pause(rapi::DWORD milliseconds) override;

    int sessionsEnded = 0;

private:
    std::unique_ptr<IRapiDevice> inner;
    std::shared_ptr<Gate> gate;
};

// Mouse events sent straight to a widget.
void SendMouse(QWidget* widget, int type, QPoint point, int button);
void Click(QWidget* widget, QPoint point);
void MoveMouse(QWidget* widget, QPoint point);

// Catches the web pages the program asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher();
    ~UrlCatcher() override;
    QStringList opened;
public Q_SLOTS:
    void Open(const QUrl& url);
};

// Runs act on the first visible top-level widget of type T once one shows, from the event
// loop (so also from inside a modal dialog's exec). Gives up after a few hundred rounds of
// the loop, which fails the test.
template <typename T> void WhenShown(std::function<void(T*)> act);

// Handles events until done() is true or timeoutMs ran out; what done() says last. (Qt Test
// does this too, but the Qt built for the Windows tests has no Qt Test.)
template <typename F> bool WaitFor(F done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(2);
    }
    return true;
}
inline bool WaitForWindowActive(QWidget* window) {
    return WaitFor([window] { return window->isActiveWindow(); }, 5000);
}
void WhenShownImpl(const std::function<bool()>& tryAct, int roundsLeft);

// A key press and release sent to the widget that has the focus in window (the key goes
// up to the parents, as typed keys do). Text is typed one character at a time.
void PressKey(QWidget* window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void TypeText(QWidget* window, const QString& text);

template <typename T> void WhenShown(std::function<void(T*)> act) {
    WhenShownImpl(
        [act] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* found = qobject_cast<T*>(widget); found && found->isVisible()) {
                    act(found);
                    return true;
                }
            }
            return false;
        },
        500);
}

// A test of the program's window: message boxes are recorded instead of shown, and
// OpenWindow creates the main window once the test has prepared the application.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { MessageBox::SetRecording(true); }

    // Creates the main window; with a size, it is resized as a user's window would be.
    void OpenWindow(QSize size = QSize()) {
        ASSERT_TRUE(app.InitInstance());
        frame = app.MainFrame();
        view = frame->View();
        if (size.isValid()) {
            frame->resize(size);
            QApplication::processEvents();
        }
    }

    CScorvaneApp app;
    CMainFrame* frame = nullptr;
    CScoreView* view = nullptr;
};
