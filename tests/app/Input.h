#pragma once

// Keys, mouse clicks and waits as a user's would arrive, sent straight to a widget. (Qt Test
// has these too, but the Qt built for the Windows tests has no Qt Test.)

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>
#include <QWidget>

namespace input {

// A press and a release; text is what the key types (Qt::Key_unknown types any text).
inline void keyClick(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = {},
                     const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &release);
}

inline void mouseClick(QWidget* widget, QPoint at) {
    const QPointF local(at), global(widget->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, {}, {});
    QCoreApplication::sendEvent(widget, &release);
}

// Handles events until done() is true or the time ran out; what done() says last.
template <typename F> bool waitFor(F done, int timeoutMs = 5000) {
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

inline bool waitForWindowActive(QWidget* window) {
    return waitFor([window] { return window->isActiveWindow(); });
}

} // namespace input
