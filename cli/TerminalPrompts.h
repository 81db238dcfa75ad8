#pragma once

#include "publish/PublishRun.h"

#include <QStringList>

class ProfileStore;

// The message boxes of a publish run on a terminal, or answered without one: messages are
// printed (on standard error with --json, where only a terminal sees them), the e-mail
// question is answered No, and the Options dialog is left unopened. On a terminal the user
// answers, and the Options dialog becomes three questions for the account fields.
class TerminalPrompts final : public PublishPrompts {
public:
    TerminalPrompts(ProfileStore& profile, bool interactive, bool json);

    PromptAnswer showMessage(const PublishMessage& message) override;
    PromptAnswer askYesNoCancel(const QString& text) override;
    bool runOptions(Settings& settings, Site missing) override;

    // Keeps a message's text for the JSON output, and prints it.
    void record(const QString& text);
    const QStringList& messages() const { return m_messages; }

private:
    ProfileStore& m_profile;
    bool m_interactive;
    bool m_json;
    QStringList m_messages;
};
