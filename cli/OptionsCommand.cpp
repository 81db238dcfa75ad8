// scorvane-cli options: the profile's publishing settings, set as the Options dialog sets the
// account fields and as an installer sets the script URLs.
#include "cli/AccountFields.h"
#include "cli/Commands.h"
#include "cli/Output.h"
#include "cli/Terminal.h"
#include "profile/Profile.h"
#include "profile/Settings.h"

#include <QCommandLineParser>

namespace {

void printDestination(const char* name, const DestinationSettings& destination, bool withPassword) {
    QTextStream& out = standardOutput();
    out << name << "\n"
        << "  Script URL: " << destination.scriptUrl() << "\n"
        << "  E-mail:     " << destination.email << "\n";
    if (withPassword)
        out << "  Password:   " << (destination.password.isEmpty() ? "(not set)" : "(set)") << "\n";
}

int failed(const QString& text) {
    standardError() << text << "\n";
    return kExitFailed;
}

} // namespace

const Command kOptionsCommand = {
    "options", "Set or show the publishing settings.",
    "Usage: scorvane-cli options [--email ADDRESS] [--islands-email ADDRESS]\n"
    "                            [--islands-password-stdin]\n"
    "                            [--islands-password PASSWORD]\n"
    "                            [--community-url URL] [--islands-url URL] [--show]\n"
    "\n"
    "Sets the publishing settings of the per-user profile. The three account fields\n"
    "follow the rules of the Options dialog: addresses are trimmed, and an address\n"
    "that is not empty needs an \"@\" that is neither its first nor its last character\n"
    "(\"Invalid E-mail format.\"; then nothing is saved). The password is kept\n"
    "exactly as given, blanks included. An empty value clears a field; an empty URL\n"
    "lets the system-wide one apply. The two URLs are the upload scripts, as an\n"
    "installer stores them; a URL with \"https://\" is uploaded to over TLS.\n"
    "\n"
    "Options:\n"
    "  --email ADDRESS             The e-mail address for Ludora.\n"
    "  --islands-email ADDRESS     The e-mail address for Zelk Skyholm.\n"
    "  --islands-password-stdin    Read the password for Zelk Skyholm from the first\n"
    "                              line of standard input (on a terminal, it is not\n"
    "                              shown as it is typed). Use this rather than\n"
    "                              --islands-password.\n"
    "  --islands-password PASSWORD The password for Zelk Skyholm. Other users of the\n"
    "                              computer can see it in the list of processes.\n"
    "  --community-url URL         The Ludora upload script (\"ScriptPath\").\n"
    "  --islands-url URL           The Zelk Skyholm upload script\n"
    "                              (\"Skyholm_ScriptPath\").\n"
    "  --show                      Print the settings (the password is not shown).\n"
    "                              The default when nothing is set.\n"
    "  -h, --help                  Show this text.\n"
    "\n"
    "Exit status: 0 when saved (or shown), 1 for an invalid address, a password\n"
    "missing from standard input or a profile that could not be saved, 2 for a wrong\n"
    "command line.\n",
    runOptions};

int runOptions(const QStringList& args) {
    QCommandLineParser parser;
    const QCommandLineOption email(QStringLiteral("email"), QString(), QStringLiteral("ADDRESS"));
    const QCommandLineOption islandsEmail(QStringLiteral("islands-email"), QString(),
                                          QStringLiteral("ADDRESS"));
    const QCommandLineOption password(QStringLiteral("islands-password"), QString(),
                                      QStringLiteral("PASSWORD"));
    const QCommandLineOption passwordStdin(QStringLiteral("islands-password-stdin"));
    const QCommandLineOption communityUrl(QStringLiteral("community-url"), QString(),
                                          QStringLiteral("URL"));
    const QCommandLineOption islandsUrl(QStringLiteral("islands-url"), QString(),
                                        QStringLiteral("URL"));
    const QCommandLineOption show(QStringLiteral("show"));
    parser.addOptions(
        {email, islandsEmail, password, passwordStdin, communityUrl, islandsUrl, show});
    if (const auto status = parseCommand(parser, kOptionsCommand, args))
        return *status;
    if (parser.isSet(password) && parser.isSet(passwordStdin))
        return usageError(QStringLiteral("options"),
                          QStringLiteral("give the password one way only"));

    UserProfile profile;
    Settings settings;
    settings.load(profile);
    bool changed = false;
    const auto given = [&](const QCommandLineOption& option, const QString& current) {
        if (!parser.isSet(option))
            return current;
        changed = true;
        return parser.value(option);
    };
    const QString newEmail = given(email, settings.community.email);
    const QString newIslandsEmail = given(islandsEmail, settings.islands.email);
    QString newPassword = given(password, settings.islands.password);
    if (parser.isSet(passwordStdin)) {
        const std::optional<QString> line =
            readSecretLine(QStringLiteral("Zelk Skyholm password: "));
        if (!line)
            return failed(QStringLiteral("scorvane-cli options: no password on standard input"));
        newPassword = *line;
        changed = true;
    }
    if (!setAccountFields(settings, newEmail, newIslandsEmail, newPassword))
        return failed(QString::fromLatin1(kInvalidEmailText));
    changed = changed || parser.isSet(communityUrl) || parser.isSet(islandsUrl);
    if (changed) {
        // Whatever changed, the account fields are written as the dialog writes them.
        const bool saved = settings.saveAccount(profile) &&
                           (!parser.isSet(communityUrl) ||
                            saveScriptUrl(profile, Site::Community, parser.value(communityUrl))) &&
                           (!parser.isSet(islandsUrl) ||
                            saveScriptUrl(profile, Site::Islands, parser.value(islandsUrl)));
        if (!saved)
            return failed(UserProfile::notSavedText());
    }

    if (!changed || parser.isSet(show)) {
        Settings stored;
        stored.load(profile);
        printDestination("Ludora", stored.community, false);
        printDestination("Zelk Skyholm", stored.islands, true);
    }
    return kExitOk;
}
