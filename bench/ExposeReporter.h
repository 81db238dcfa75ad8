#pragma once

// Tells the process that launched this one, on standard output, when the first window is
// exposed ("exposed") and once the paint that follows is done ("painted"); then quits.

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>
#include <cstdio>

class ExposeReporter : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!reported && event->type() == QEvent::Expose && qobject_cast<QWindow*>(watched) &&
            static_cast<QWindow*>(watched)->isExposed()) {
            reported = true;
            Say("exposed");
            QTimer::singleShot(0, [] {
                Say("painted");
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    static void Say(const char* text) {
        std::puts(text);
        std::fflush(stdout);
    }

    bool reported = false;
};
