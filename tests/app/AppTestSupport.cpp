#include "AppTestSupport.h"

#include <QDesktopServices>
#include <QImage>
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

namespace {

class GatedHandheld final : public Handheld {
public:
    GatedHandheld(std::unique_ptr<Handheld> inner, std::shared_ptr<Gate> gate)
        : m_inner(std::move(inner)), m_gate(std::move(gate)) {}

    bool connect(std::chrono::milliseconds wait, std::stop_token stop) override {
        m_gate->pass();
        return m_inner->connect(wait, std::move(stop));
    }
    void disconnect() override { m_inner->disconnect(); }
    QString notice() const override { return m_inner->notice(); }
    std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const QString& path) override {
        return m_inner->openKey(root, path);
    }
    std::optional<QByteArray> readFile(const QString& path) override {
        return m_inner->readFile(path);
    }
    std::optional<QByteArray> readFileStart(const QString& path, qsizetype bytes) override {
        return m_inner->readFileStart(path, bytes);
    }
    std::optional<QList<FolderEntry>> list(const QString& pattern, Listing listing) override {
        return m_inner->list(pattern, listing);
    }
    bool exists(const QString& path) override { return m_inner->exists(path); }
    void remove(const QString& path) override { m_inner->remove(path); }
    void pause() override { m_inner->pause(); }

private:
    std::unique_ptr<Handheld> m_inner;
    std::shared_ptr<Gate> m_gate;
};

} // namespace

std::unique_ptr<Handheld> gatedHandheld(std::unique_ptr<Handheld> inner,
                                        std::shared_ptr<Gate> gate) {
    return std::make_unique<GatedHandheld>(std::move(inner), std::move(gate));
}

UrlCatcher::UrlCatcher() {
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open");
}

UrlCatcher::~UrlCatcher() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

bool shows(QWidget* widget, const QColor& colour, const QRect& area) {
    const QImage shot = widget->grab(area).toImage();
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixelColor(x, y) == colour)
                return true;
    return false;
}
