#pragma once

#include "app/MessageBox.h"
#include "handheld/ImageHandheld.h"

#include <QApplication>
#include <QDesktopServices>
#include <QTimer>
#include <QUrl>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>

// Answers every message box in place of the user, with the answers queued or else the first
// button, and keeps what the boxes said.
class MessageLog {
public:
    MessageLog() {
        MessageBox::setResponder([this](const MessageBox::Message& message) {
            m_shown.append(message);
            if (onShown)
                onShown(message);
            if (!m_answers.isEmpty())
                return m_answers.takeFirst();
            return message.buttons == MessageBox::Buttons::YesNoCancel ? MessageBox::Answer::Yes
                                                                       : MessageBox::Answer::Ok;
        });
    }
    ~MessageLog() { MessageBox::setResponder({}); }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    void answerNext(MessageBox::Answer answer) { m_answers.append(answer); }
    QList<MessageBox::Message> take() { return std::exchange(m_shown, {}); }
    QStringList takeTexts() {
        QStringList texts;
        for (const MessageBox::Message& message : take())
            texts.append(message.text);
        return texts;
    }
    // Called as each box shows, so that a test can look at the window then.
    std::function<void(const MessageBox::Message&)> onShown;

private:
    QList<MessageBox::Answer> m_answers;
    QList<MessageBox::Message> m_shown;
};

// While closed, holds a download at the handheld's connect() until the test opens it, so that
// the test can look at the window while the download runs.
class Gate {
public:
    void close() {
        const std::lock_guard lock(m_mutex);
        m_open = m_entered = false;
    }
    void open() {
        const std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    // Blocks until a download waits at the gate or has passed it.
    void waitUntilEntered() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_entered; });
    }
    // What a gated handheld does in connect().
    void pass() {
        std::unique_lock lock(m_mutex);
        m_entered = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = true;
    bool m_entered = false;
};

// A device image whose connect() passes the gate first.
class GatedHandheld final : public ImageHandheld {
public:
    GatedHandheld(const QString& folder, std::shared_ptr<Gate> gate)
        : ImageHandheld(folder), m_gate(std::move(gate)) {}
    bool connect(std::chrono::milliseconds wait, std::stop_token stop) override {
        m_gate->pass();
        return ImageHandheld::connect(wait, std::move(stop));
    }

private:
    std::shared_ptr<Gate> m_gate;
};

// Catches the web pages the program asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }
    QStringList opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url.toString()); }
};

// Runs act on the first visible top-level widget of type T once one shows, from the event
// loop (so also from inside a modal dialog's exec). A widget that never shows fails the test.
template <typename T> void whenShown(std::function<void(T*)> act) {
    auto* timer = new QTimer;
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, ticks, act] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<T*>(widget); found && found->isVisible()) {
                timer->deleteLater();
                timer->stop();
                act(found);
                return;
            }
        }
        if (++*ticks > 3000) {
            ADD_FAILURE() << "the expected window never showed";
            timer->deleteLater();
            timer->stop();
        }
    });
    timer->start(10);
}
