// The Publish command of the view: the checked entries of every source go to their
// destination on the worker thread, and the outcome is one message per destination.
#include "app/CheckTreeCtrl.h"
#include "app/MessageBox.h"
#include "app/ScoreView.h"
#include "app/ScorvaneApp.h"
#include "publish/PublishRun.h"
#include "publish/UploadSource.h"
#include "ui/EmailRule.h"
#include "ui/OptionsDlg.h"

namespace {

MessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return MessageBox::Information;
    case MessageIcon::Stop:
        return MessageBox::Hand;
    case MessageIcon::Plain:
        break;
    }
    return MessageBox::NoIcon;
}

PromptAnswer FromBox(MessageBox::Answer answer) {
    switch (answer) {
    case MessageBox::AnswerYes:
        return PromptAnswer::Yes;
    case MessageBox::AnswerNo:
        return PromptAnswer::No;
    case MessageBox::AnswerCancel:
        return PromptAnswer::Cancel;
    case MessageBox::AnswerOk:
        break;
    }
    return PromptAnswer::Ok;
}

// The run's questions as message boxes over the view. The Options dialog edits the run's
// copy of the settings; what it saved becomes the program's settings too. It opens on the
// address that the question before it asked for.
class CViewPrompts final : public IPublishPrompts {
public:
    CViewPrompts(QWidget* parent, CSettings& appSettings)
        : parent(parent), appSettings(appSettings) {}

    PromptAnswer ShowMessage(const PublishMessage& message) override {
        if (message.text == kIslandsOptionsText)
            missing = AccountField::IslandsEmail;
        return FromBox(
            MessageBox::Show(parent, message.text, MessageBox::Ok, BoxIcon(message.icon)));
    }
    PromptAnswer AskYesNoCancel(const std::string& text) override {
        missing = AccountField::CommunityEmail; // the only question: the e-mail address
        return FromBox(MessageBox::Show(parent, text, MessageBox::YesNoCancel));
    }
    bool RunOptionsDialog(CSettings& settings) override {
        if (!::RunOptionsDialog(parent, settings, missing))
            return false;
        appSettings = settings;
        return true;
    }

private:
    QWidget* parent;
    CSettings& appSettings;
    AccountField missing = AccountField::None;
};

} // namespace

void CScoreView::StartPublish() {
    if (IsBusy() || !app || !tree || tree->topLevelItemCount() == 0)
        return;

    // The check boxes as they are now: later clicks do not change this run.
    publishRun = std::make_unique<CPublishRun>(app->settings);
    for (auto& [source, checked] : CheckedEntries())
        publishRun->AddSource(*source, checked);

    CViewPrompts prompts(this, app->settings);
    if (!publishRun->Prepare(prompts)) {
        publishRun.reset();
        return;
    }
    // The prompts ran a nested event loop; nothing may have started meanwhile, but make sure.
    if (IsBusy() || !tree) {
        publishRun.reset();
        return;
    }

    CPublishRun* run = publishRun.get();
    StartWorker(
        [run](std::stop_token stop) {
            UploadOptions options;
            options.stop = std::move(stop);
            run->RunPasses([&options](CHighscoreSource& source, const CSettings& settings) {
                return UploadSource(source, settings, options);
            });
        },
        [this] { OnPublishDone(); });
    Q_EMIT progress(QStringLiteral("Publishing the highscores..."));
}

void CScoreView::OnPublishDone() {
    if (!publishRun)
        return;
    for (const PublishMessage& message : publishRun->CompletionMessages())
        MessageBox::Show(this, message.text, MessageBox::Ok, BoxIcon(message.icon));
    publishRun.reset();
    Q_EMIT publishFinished();
}
