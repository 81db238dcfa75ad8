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

// A press and a release; a key press that is not the platform's own is offered to the
// window's shortcuts first, as the platform's would be.
inline void keyClick(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = {},
                     const QString& text = {}) {
    QString typed = text;
    if (typed.isEmpty() && key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde &&
        !(modifiers & (Qt::ControlModifier | Qt::AltModifier))) {
        const QChar c(key);
        typed = modifiers & Qt::ShiftModifier ? QString(c) : QString(c.toLower());
    }
    QKeyEvent press(QEvent::KeyPress, key, modifiers, typed);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, typed);
    QCoreApplication::sendEvent(widget, &release);
}

inline void keyClicks(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        const QChar upper = c.toUpper();
        const auto key = upper.unicode() >= 0x20 && upper.unicode() <= 0x7e
                             ? Qt::Key(upper.unicode())
                             : Qt::Key_unknown;
        keyClick(widget, key, c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier, QString(c));
    }
}

inline void mouseClick(QWidget* widget, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                       QPoint at) {
    const QPointF local(at), global(widget->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, modifiers);
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton, modifiers);
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
