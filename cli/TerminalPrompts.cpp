#include "cli/TerminalPrompts.h"

#include "cli/AccountFields.h"
#include "cli/Output.h"
#include "cli/Terminal.h"
#include "profile/Profile.h"

namespace {

// What was typed after "label [current]: "; Enter alone keeps the current value. The current
// password is never shown.
std::optional<QString> ask(const char* label, const QString& current, bool secret = false) {
    const QString shown =
        secret ? (current.isEmpty() ? QString() : QStringLiteral("unchanged")) : current;
    const QString prompt =
        QString::fromLatin1(label) + QStringLiteral(" [") + shown + QStringLiteral("]: ");
    std::optional<QString> line;
    if (secret) {
        line = readSecretLine(prompt);
    } else {
        standardError() << prompt;
        standardError().flush();
        line = readLine();
    }
    if (line && line->isEmpty())
        return current;
    return line;
}

} // namespace

TerminalPrompts::TerminalPrompts(ProfileStore& profile, bool interactive, bool json)
    : m_profile(profile), m_interactive(interactive), m_json(json) {}

void TerminalPrompts::record(const QString& text) {
    m_messages.append(text);
    if (m_json && !m_interactive)
        return;
    QTextStream& stream = m_json ? standardError() : standardOutput();
    stream << text << "\n";
    stream.flush();
}

PromptAnswer TerminalPrompts::showMessage(const PublishMessage& message) {
    record(message.text);
    if (!m_interactive)
        return PromptAnswer::Ok;
    standardError() << "[Press Enter] ";
    standardError().flush();
    return readLine() ? PromptAnswer::Ok : PromptAnswer::Cancel;
}

PromptAnswer TerminalPrompts::askYesNoCancel(const QString& text) {
    record(text);
    if (!m_interactive)
        return PromptAnswer::No;
    for (;;) {
        standardError() << "[y]es, [n]o or [c]ancel? ";
        standardError().flush();
        const std::optional<QString> line = readLine();
        if (!line)
            return PromptAnswer::Cancel;
        const QString answer = trimmedText(*line).toLower();
        if (answer == QLatin1String("y") || answer == QLatin1String("yes"))
            return PromptAnswer::Yes;
        if (answer == QLatin1String("n") || answer == QLatin1String("no"))
            return PromptAnswer::No;
        if (answer == QLatin1String("c") || answer == QLatin1String("cancel"))
            return PromptAnswer::Cancel;
    }
}

bool TerminalPrompts::runOptions(Settings& settings, Site /*missing*/) {
    if (!m_interactive)
        return false;
    // As the dialog does, start from what the profile holds.
    Settings edited = settings;
    edited.load(m_profile);
    for (;;) {
        const auto email = ask("Ludora e-mail", edited.community.email);
        if (!email)
            return false;
        const auto islandsEmail = ask("Zelk Skyholm e-mail", edited.islands.email);
        if (!islandsEmail)
            return false;
        const auto password = ask("Zelk Skyholm password", edited.islands.password, true);
        if (!password)
            return false;
        if (setAccountFields(edited, *email, *islandsEmail, *password))
            break;
        standardError() << kInvalidEmailText << "\n";
    }
    if (!edited.saveAccount(m_profile)) {
        standardError() << UserProfile::notSavedText() << "\n";
        standardError().flush();
        return false;
    }
    settings = edited;
    return true;
}
