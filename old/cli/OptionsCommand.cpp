// scorvane-cli options: the profile's publishing settings, set as the Options dialog sets the
// account fields and as an installer sets the script URLs.
#include "Commands.h"
#include "Output.h"
#include "Terminal.h"

#include "device/TextCodec.h"
#include "ui/EmailRule.h"
#include "ui/Profile.h"
#include "ui/Settings.h"

namespace {

constexpr const char* kCommand = "options";

void PrintDestination(QTextStream& out, const char* name, const DestinationSettings& destination,
                      bool withPassword) {
    out << name << "\n"
        << "  Script URL: " << Text(destination.GetScriptUrl()) << "\n"
        << "  E-mail:     " << Text(destination.email) << "\n";
    if (withPassword)
        out << "  Password:   " << (destination.password.empty() ? "(not set)" : "(set)") << "\n";
}

} // namespace

void PrintOptionsHelp(QTextStream& out) {
    out << "Usage: scorvane-cli options [--email ADDRESS] [--islands-email ADDRESS]\n"
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
           "command line.\n";
}

int RunOptionsCommand(const QStringList& args) {
    const QString email = QStringLiteral("email");
    const QString islandsEmail = QStringLiteral("islands-email");
    const QString islandsPassword = QStringLiteral("islands-password");
    const QString passwordStdin = QStringLiteral("islands-password-stdin");
    const QString communityUrl = QStringLiteral("community-url");
    const QString islandsUrl = QStringLiteral("islands-url");
    const QString show = QStringLiteral("show");
    const auto options = ParseOptions(QString::fromLatin1(kCommand), args,
                                      {{email, true},
                                       {islandsEmail, true},
                                       {islandsPassword, true},
                                       {passwordStdin, false},
                                       {communityUrl, true},
                                       {islandsUrl, true},
                                       {show, false}});
    if (!options)
        return EXIT_USAGE;
    if (options->contains(QStringLiteral("help"))) {
        PrintOptionsHelp(Out());
        return EXIT_OK;
    }

    if (options->contains(islandsPassword) && options->contains(passwordStdin))
        return UsageError(QString::fromLatin1(kCommand),
                          QStringLiteral("give the password one way only"));

    CSettings settings;
    settings.Load();
    bool changed = false;
    auto given = [&](const QString& name, const std::string& current) {
        if (!options->contains(name))
            return current;
        changed = true;
        return NarrowFromQString(options->value(name));
    };
    const std::string newEmail = given(email, settings.community.email);
    const std::string newIslandsEmail = given(islandsEmail, settings.islands.email);
    std::string newPassword = given(islandsPassword, settings.islands.password);
    if (options->contains(passwordStdin)) {
        const auto line = ReadSecretLine(QStringLiteral("Zelk Skyholm password: "));
        if (!line) {
            Err() << "scorvane-cli options: no password on standard input\n";
            Err().flush();
            return EXIT_FAILED;
        }
        newPassword = *line;
        changed = true;
    }
    if (ApplyAccountFields(settings, newEmail, newIslandsEmail, newPassword) !=
        AccountField::None) {
        Err() << kInvalidEmailText << "\n";
        Err().flush();
        return EXIT_FAILED;
    }
    if (options->contains(communityUrl)) {
        settings.community.SetScriptUrl(NarrowFromQString(options->value(communityUrl)));
        changed = true;
    }
    if (options->contains(islandsUrl)) {
        settings.islands.SetScriptUrl(NarrowFromQString(options->value(islandsUrl)));
        changed = true;
    }
    if (changed && !settings.Save()) {
        Err() << ProfileNotSavedText() << "\n";
        Err().flush();
        return EXIT_FAILED;
    }

    if (!changed || options->contains(show)) {
        CSettings stored;
        stored.Load();
        PrintDestination(Out(), "Ludora", stored.community, false);
        PrintDestination(Out(), "Zelk Skyholm", stored.islands, true);
        Out().flush();
    }
    return EXIT_OK;
}
