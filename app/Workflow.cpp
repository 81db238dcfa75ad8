#include "app/Workflow.h"

#include "app/HighscoreTree.h"
#include "app/MessageBox.h"
#include "app/OptionsDialog.h"
#include "app/ScoreView.h"
#include "download/Download.h"
#include "handheld/Handheld.h"
#include "profile/DeviceSettings.h"
#include "publish/PublishRun.h"

namespace {

MessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return MessageBox::Icon::Information;
    case MessageIcon::Stop:
        return MessageBox::Icon::Critical;
    case MessageIcon::None:
        break;
    }
    return MessageBox::Icon::None;
}

PromptAnswer promptAnswer(MessageBox::Answer answer) {
    switch (answer) {
    case MessageBox::Answer::Yes:
        return PromptAnswer::Yes;
    case MessageBox::Answer::No:
        return PromptAnswer::No;
    case MessageBox::Answer::Cancel:
        return PromptAnswer::Cancel;
    case MessageBox::Answer::Ok:
        break;
    }
    return PromptAnswer::Ok;
}

// A publish run's questions as message boxes over the view. The Options dialog edits the
// run's copy of the settings; what it saved becomes the window's settings too.
class WindowPrompts final : public PublishPrompts {
public:
    WindowPrompts(QWidget* parent, Settings& windowSettings, ProfileStore& profile)
        : m_parent(parent), m_windowSettings(windowSettings), m_profile(profile) {}

    PromptAnswer showMessage(const PublishMessage& message) override {
        return promptAnswer(MessageBox::show(m_parent, message.text, MessageBox::Buttons::Ok,
                                             boxIcon(message.icon)));
    }
    PromptAnswer askYesNoCancel(const QString& text) override {
        return promptAnswer(MessageBox::show(m_parent, text, MessageBox::Buttons::YesNoCancel));
    }
    bool runOptions(Settings& settings, Site missing) override {
        if (!runOptionsDialog(m_parent, settings, m_profile, missing))
            return false;
        m_windowSettings = settings;
        return true;
    }

private:
    QWidget* m_parent;
    Settings& m_windowSettings;
    ProfileStore& m_profile;
};

} // namespace

Workflow::Workflow(ScoreView* view, ProfileStore& profile, HandheldFactory handhelds,
                   QObject* parent)
    : QObject(parent), m_view(view), m_profile(profile), m_marks(profile),
      m_handhelds(std::move(handhelds)) {
    m_settings.load(profile);
    connect(&m_worker, &Worker::stateChanged, this, [this] {
        m_view->setBusy(isBusy());
        Q_EMIT stateChanged();
    });
}

Workflow::~Workflow() = default;

void Workflow::stop() {
    m_worker.stop();
}

void Workflow::abandon() {
    m_worker.abandon();
}

void Workflow::runOptions() {
    runOptionsDialog(m_view, m_settings, m_profile);
}

void Workflow::download() {
    if (isBusy())
        return;
    m_handheld = m_handhelds(m_imageFolder);
    auto outcome = std::make_shared<DownloadOutcome>();
    DownloadRequest request{*m_handheld, m_marks, kSessionWait};
    // Told on the worker's thread; shown on this one.
    request.progress = [this](const QString& text) {
        QMetaObject::invokeMethod(
            this, [this, text] { Q_EMIT progress(text); }, Qt::QueuedConnection);
    };
    m_worker.start(
        [request, outcome](std::stop_token stop) mutable {
            request.stop = std::move(stop);
            *outcome = runDownload(request);
        },
        [this, outcome] { downloadDone(*outcome); });
    Q_EMIT progress(QStringLiteral("Connecting to the mobile device..."));
}

void Workflow::downloadDone(const DownloadOutcome& outcome) {
    if (outcome.result != DownloadResult::Ok) {
        // The tree shown before stays; its sources are still alive.
        for (const QString& text : downloadMessages(outcome, m_view->tree() != nullptr))
            MessageBox::show(m_view, text);
        Q_EMIT downloadFinished();
        return;
    }
    const QList<TreeBranch> branches = highscoreTree(outcome.collection);
    const QStringList messages = downloadMessages(outcome, !branches.isEmpty());
    // The scan's notice comes before the new tree, the other texts after it.
    qsizetype next = 0;
    if (!outcome.collection.notice.isEmpty() && !messages.isEmpty())
        MessageBox::show(m_view, messages[next++]);
    m_view->showTree(branches);
    for (; next < messages.size(); ++next)
        MessageBox::show(m_view, messages[next]);
    Q_EMIT downloadFinished();
}

void Workflow::publish() {
    if (isBusy() || !m_view->tree())
        return;
    // The check boxes as they are now: later clicks do not change this run.
    auto run = std::make_shared<PublishRun>(m_settings, m_marks);
    for (const HighscoreTree::Selection& source : m_view->tree()->selection())
        run->addSource(source.source, source.checked);

    WindowPrompts prompts(m_view, m_settings, m_profile);
    if (!run->prepare(prompts))
        return;
    // The prompts ran nested event loops; make sure nothing started meanwhile.
    if (isBusy() || !m_view->tree())
        return;
    m_worker.start([run](std::stop_token stop) { run->run(std::move(stop)); },
                   [this, run] { publishDone(*run); });
    Q_EMIT progress(QStringLiteral("Publishing the highscores..."));
}

void Workflow::publishDone(const PublishRun& run) {
    for (const PublishMessage& message : run.completionMessages())
        MessageBox::show(m_view, message.text, MessageBox::Buttons::Ok, boxIcon(message.icon));
    Q_EMIT publishFinished();
}
