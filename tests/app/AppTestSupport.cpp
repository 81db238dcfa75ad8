#include "AppTestSupport.h"

#include <QDesktopServices>
#include <QWidget>

MessageLog::MessageLog() {
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

MessageLog::~MessageLog() {
    MessageBox::setResponder({});
}

QStringList MessageLog::takeTexts() {
    QStringList texts;
    for (const MessageBox::Message& message : take())
        texts.append(message.text);
    return texts;
}

void Gate::close() {
    const std::lock_guard lock(m_mutex);
    m_open = false;
    m_entered = false;
}

void Gate::open() {
    {
        const std::lock_guard lock(m_mutex);
        m_open = true;
    }
    m_changed.notify_all();
}

void Gate::waitUntilEntered() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_entered; });
}

void Gate::pass() {
    std::unique_lock lock(m_mutex);
    m_entered = true;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_open; });
}

GatedHandheld::GatedHandheld(const QString& folder, std::shared_ptr<Gate> gate)
    : ImageHandheld(folder), m_gate(std::move(gate)) {}

bool GatedHandheld::connect(std::chrono::milliseconds wait, std::stop_token stop) {
    m_gate->pass();
    return ImageHandheld::connect(wait, std::move(stop));
}

UrlCatcher::UrlCatcher() {
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
}

UrlCatcher::~UrlCatcher() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}
