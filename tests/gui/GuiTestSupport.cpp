#include "GuiTestSupport.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

using namespace rapi;

void GatedDevice::Gate::Open() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
    }
    changed.notify_all();
}

void GatedDevice::Gate::WaitUntilEntered() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return entered; });
}

GatedDevice::GatedDevice(std::unique_ptr<IRapiDevice> inner, std::shared_ptr<Gate> gate)
    : inner(std::move(inner)), gate(std::move(gate)) {}

bool GatedDevice::StartSession(DWORD waitMs) {
    bool refuse = false;
    {
        std::unique_lock<std::mutex> lock(gate->mutex);
        gate->entered = true;
        gate->changed.notify_all();
        gate->changed.wait(lock, [this] { return gate->open; });
        refuse = gate->refuse;
    }
    return !refuse && inner->StartSession(waitMs);
}

void GatedDevice::CeRapiUninit() {
    ++sessionsEnded;
    inner->CeRapiUninit();
}

LONG GatedDevice::CeRegOpenKeyEx(HKEY key, const WCHAR* subKey, DWORD options, DWORD access,
                                 HKEY* result) {
    return inner->CeRegOpenKeyEx(key, subKey, options, access, result);
}

LONG GatedDevice::CeRegQueryValueEx(HKEY key, const WCHAR* valueName, DWORD* reserved, DWORD* type,
                                    BYTE* data, DWORD* dataSize) {
    return inner->CeRegQueryValueEx(key, valueName, reserved, type, data, dataSize);
}

LONG GatedDevice::CeRegEnumValue(HKEY key, DWORD index, WCHAR* valueName, DWORD* valueNameChars,
                                 DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize) {
    return inner->CeRegEnumValue(key, index, valueName, valueNameChars, reserved, type, data,
                                 dataSize);
}

LONG GatedDevice::CeRegQueryInfoKey(HKEY key, WCHAR* className, DWORD* classChars, DWORD* reserved,
                                    DWORD* subKeys, DWORD* maxSubKeyChars, DWORD* maxClassChars,
                                    DWORD* values, DWORD* maxValueNameChars, DWORD* maxValueBytes,
                                    DWORD* securityDescriptorBytes, FILETIME* lastWriteTime) {
    return inner->CeRegQueryInfoKey(key, className, classChars, reserved, subKeys, maxSubKeyChars,
                                    maxClassChars, values, maxValueNameChars, maxValueBytes,
                                    securityDescriptorBytes, lastWriteTime);
}

LONG GatedDevice::CeRegCloseKey(HKEY key) {
    return inner->CeRegCloseKey(key);
}

HANDLE GatedDevice::CeCreateFile(const WCHAR* fileName, DWORD access, DWORD shareMode,
                                 DWORD creation, DWORD flagsAndAttributes) {
    return inner->CeCreateFile(fileName, access, shareMode, creation, flagsAndAttributes);
}

DWORD GatedDevice::CeGetFileSize(HANDLE file, DWORD* sizeHigh) {
    return inner->CeGetFileSize(file, sizeHigh);
}

BOOL GatedDevice::CeReadFile(HANDLE file, void* buffer, DWORD bytesToRead, DWORD* bytesRead) {
    return inner->CeReadFile(file, buffer, bytesToRead, bytesRead);
}

BOOL GatedDevice::CeCloseHandle(HANDLE object) {
    return inner->CeCloseHandle(object);
}

DWORD GatedDevice::CeGetFileAttributes(const WCHAR* fileName) {
    return inner->CeGetFileAttributes(fileName);
}

BOOL GatedDevice::CeDeleteFile(const WCHAR* fileName) {
    return inner->CeDeleteFile(fileName);
}

BOOL GatedDevice::CeFindAllFiles(const WCHAR* pattern, DWORD flags, DWORD* count,
                                 CE_FIND_DATA** found) {
    return inner->CeFindAllFiles(pattern, flags, count, found);
}

rapi::HRESULT GatedDevice::CeRapiFreeBuffer(void* buffer) {
    return inner->CeRapiFreeBuffer(buffer);
}

void GatedDevice::Pause(DWORD milliseconds) {
    inner->Pause(milliseconds);
}

void SendMouse(QWidget* widget, int type, QPoint point, int button) {
    const auto mouseButton = static_cast<Qt::MouseButton>(button);
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonPress ? Qt::MouseButtons(mouseButton) : Qt::MouseButtons();
    QMouseEvent event(static_cast<QEvent::Type>(type), QPointF(point),
                      QPointF(widget->mapToGlobal(point)), mouseButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void Click(QWidget* widget, QPoint point) {
    SendMouse(widget, QEvent::MouseButtonPress, point, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseButtonRelease, point, Qt::LeftButton);
}

void MoveMouse(QWidget* widget, QPoint point) {
    SendMouse(widget, QEvent::MouseMove, point, Qt::NoButton);
}

UrlCatcher::UrlCatcher() {
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "Open");
}

UrlCatcher::~UrlCatcher() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

void UrlCatcher::Open(const QUrl& url) {
    opened.push_back(url.toString());
}

void WhenShownImpl(const std::function<bool()>& tryAct, int roundsLeft) {
    QTimer::singleShot(0, [tryAct, roundsLeft] {
        if (tryAct())
            return;
        if (roundsLeft <= 0) {
            ADD_FAILURE() << "the expected window never showed";
            return;
        }
        WhenShownImpl(tryAct, roundsLeft - 1);
    });
}

void PressKey(QWidget* window, int key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    const QString text = key == Qt::Key_Space ? QStringLiteral(" ") : QString();
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(target, &press);
    QWidget* releaseTarget = window->focusWidget() ? window->focusWidget() : window;
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(releaseTarget, &release);
}

void TypeText(QWidget* window, const QString& text) {
    for (const QChar c : text) {
        QWidget* target = window->focusWidget() ? window->focusWidget() : window;
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(target, &press);
    }
}
