// scorvane-cli publish: one download, every shown entry checked except those the command line
// unchecks, then the publish run as the desktop program's Publish command makes it, with the
// message boxes printed instead of shown.
#include "Commands.h"
#include "Output.h"
#include "Terminal.h"

#include "device/DeviceConnector.h"
#include "device/DownloadJob.h"
#include "device/HighscoreCollection.h"
#include "device/RapiSession.h"
#include "device/TextCodec.h"
#include "publish/PublishRun.h"
#include "scores/HighscoreSource.h"
#include "scores/HighscoreTree.h"
#include "ui/EmailRule.h"
#include "ui/Profile.h"
#include "ui/Settings.h"

#include <QJsonArray>
#include <QJsonObject>
#include <set>
#include <string>
#include <utility>

namespace {

constexpr const char* kCommand = "publish";
constexpr std::int32_t kMaxRecords = 25;

// The message boxes of a publish run on a terminal, or answered without one.
class CCliPrompts final : public IPublishPrompts {
public:
    CCliPrompts(bool interactive, bool json) : interactive(interactive), json(json) {}

    PromptAnswer ShowMessage(const PublishMessage& message) override {
        Record(message.text);
        if (!interactive)
            return PromptAnswer::Ok;
        Err() << "[Press Enter] ";
        Err().flush();
        return ReadLine() ? PromptAnswer::Ok : PromptAnswer::Cancel;
    }

    PromptAnswer AskYesNoCancel(const std::string& text) override {
        Record(text);
        if (!interactive)
            return PromptAnswer::No;
        for (;;) {
            Err() << "[y]es, [n]o or [c]ancel? ";
            Err().flush();
            const auto line = ReadLine();
            if (!line)
                return PromptAnswer::Cancel;
            const QString answer = Text(TrimWhitespace(*line)).toLower();
            if (answer == QLatin1String("y") || answer == QLatin1String("yes"))
                return PromptAnswer::Yes;
            if (answer == QLatin1String("n") || answer == QLatin1String("no"))
                return PromptAnswer::No;
            if (answer == QLatin1String("c") || answer == QLatin1String("cancel"))
                return PromptAnswer::Cancel;
        }
    }

    // The Options dialog on the terminal: the three account fields, Enter keeps a value.
    bool RunOptionsDialog(CSettings& settings) override {
        if (!interactive)
            return false;
        CSettings edited = settings;
        edited.Load();
        for (;;) {
            const auto email = Ask("Ludora e-mail", edited.community.email);
            if (!email)
                return false;
            const auto islandsEmail = Ask("Zelk Skyholm e-mail", edited.islands.email);
            if (!islandsEmail)
                return false;
            const auto password = Ask("Zelk Skyholm password", edited.islands.password, true);
            if (!password)
                return false;
            if (ApplyAccountFields(edited, *email, *islandsEmail, *password) == AccountField::None)
                break;
            Err() << kInvalidEmailText << "\n";
        }
        if (!edited.Save()) {
            Err() << ProfileNotSavedText() << "\n";
            Err().flush();
            return false;
        }
        settings = edited;
        return true;
    }

    const std::vector<std::string>& Messages() const { return messages; }
    void Record(const std::string& text) {
        messages.push_back(text);
        QTextStream& stream = json ? Err() : Out();
        if (!json || interactive) {
            stream << Text(text) << "\n";
            stream.flush();
        }
    }

private:
    std::optional<std::string> Ask(const char* label, const std::string& current,
                                   bool secret = false) {
        const QString shown =
            secret ? (current.empty() ? QString() : QStringLiteral("unchanged")) : Text(current);
        const QString prompt =
            QString::fromLatin1(label) + QStringLiteral(" [") + shown + QStringLiteral("]: ");
        if (secret)
            return Given(ReadSecretLine(prompt), current);
        Err() << prompt;
        Err().flush();
        return Given(ReadLine(), current);
    }
    // What was typed; Enter alone keeps the current value.
    static std::optional<std::string> Given(const std::optional<std::string>& line,
                                            const std::string& current) {
        if (!line)
            return std::nullopt;
        return line->empty() ? current : *line;
    }

    bool interactive;
    bool json;
    std::vector<std::string> messages;
};

// "TITLE:INDEX", split at the last colon.
std::optional<std::pair<std::string, std::uint32_t>> ParseUncheck(const QString& text) {
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0)
        return std::nullopt;
    bool ok = false;
    const uint index = text.mid(colon + 1).toUInt(&ok);
    if (!ok)
        return std::nullopt;
    return std::make_pair(NarrowFromQString(text.left(colon)), std::uint32_t(index));
}

} // namespace

void PrintPublishHelp(QTextStream& out) {
    out << "Usage: scorvane-cli publish [--device FOLDER] [--uncheck TITLE:INDEX]... [--yes]\n"
           "                            [--json]\n"
           "\n"
           "Reads the handheld as \"scan\" does, checks every entry the highscore tree shows,\n"
           "and publishes them as the desktop program's Publish command does: each table to\n"
           "its site, one upload per table, with the script URLs and e-mail addresses of the\n"
           "profile (see \"scorvane-cli options\"). It prints the texts of the messages the\n"
           "desktop program would show, in order.\n"
           "\n"
           "Questions: on a terminal they are asked there, and the Options dialog becomes\n"
           "three questions for the account fields (the password is not shown as it is\n"
           "typed). Without a terminal (or with --yes) nothing is read: the question\n"
           "whether to give a missing Ludora e-mail address is answered No (the highscores\n"
           "go without an address).\n"
           "\n"
           "Islands need the Zelk Skyholm e-mail address. When islands are checked and it\n"
           "is missing (and not given at the questions), the whole publish stops before\n"
           "anything is uploaded, the Ludora tables too. The last message is then\n"
           "\"Zelk Skyholm highscores publish aborted.\", \"results\" is empty and the exit\n"
           "status is 1. Uncheck the islands to publish the rest without it.\n"
           "\n"
           "Options:\n"
           "  --device FOLDER        Read the device image in FOLDER instead of a connected\n"
           "                         handheld.\n"
           "  --uncheck TITLE:INDEX  Leave out the entry with that record index of the table\n"
           "                         with that title (the index \"scan --json\" shows), in\n"
           "                         every table of that title. May be given more than once;\n"
           "                         an entry the tree does not show is an error.\n"
           "  --yes                  Never ask, even on a terminal: go on wherever the run can\n"
           "                         go on without an answer.\n"
           "  --json                 Print one JSON object: \"messages\" (the texts in order,\n"
           "                         those of the download first) and \"results\" (the result\n"
           "                         codes of the two passes, Ludora then Zelk Skyholm; empty\n"
           "                         when nothing was uploaded because the run stopped first).\n"
           "  -h, --help             Show this text.\n"
           "\n"
           "Result codes: 0 published, 9 nothing to publish for that site, 3 the server could\n"
           "not be reached or understood, others as the server reported.\n"
           "\n"
           "Exit status: 0 when no upload failed, 1 when no handheld answered, an upload\n"
           "failed or the run stopped before uploading, 2 for a wrong command line.\n";
}

int RunPublishCommand(const QStringList& args) {
    // "--uncheck" may repeat; the shared option parser keeps one value per name.
    QStringList rest;
    std::vector<QString> unchecks;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--uncheck")) {
            if (i + 1 >= args.size())
                return UsageError(QString::fromLatin1(kCommand),
                                  QStringLiteral("option \"--uncheck\" needs a value"));
            unchecks.push_back(args[++i]);
        } else if (arg.startsWith(QLatin1String("--uncheck="))) {
            unchecks.push_back(arg.mid(10));
        } else {
            rest.append(arg);
        }
    }
    const auto options = ParseOptions(QString::fromLatin1(kCommand), rest,
                                      {{QStringLiteral("device"), true},
                                       {QStringLiteral("yes"), false},
                                       {QStringLiteral("json"), false}});
    if (!options)
        return EXIT_USAGE;
    if (options->contains(QStringLiteral("help"))) {
        PrintPublishHelp(Out());
        return EXIT_OK;
    }
    const QString folder = options->value(QStringLiteral("device"));
    if (options->contains(QStringLiteral("device")) && folder.isEmpty())
        return UsageError(QString::fromLatin1(kCommand), QStringLiteral("--device needs a folder"));
    std::set<std::pair<std::string, std::uint32_t>> unchecked;
    for (const QString& text : unchecks) {
        const auto entry = ParseUncheck(text);
        if (!entry)
            return UsageError(QString::fromLatin1(kCommand),
                              QStringLiteral("\"%1\" is not TITLE:INDEX").arg(text));
        unchecked.insert(*entry);
    }
    const bool json = options->contains(QStringLiteral("json"));
    const bool interactive = !options->contains(QStringLiteral("yes")) && StdinIsTerminal();

    const std::unique_ptr<IRapiDevice> device = CreateDevice(folder);
    RapiSession session;
    CHighscoreCollection collection(kMaxRecords);
    const int download = RunDownload(session, device.get(), collection, kSessionWaitMs);
    std::vector<TreeBranch> tree;
    if (download == DOWNLOAD_OK)
        tree = BuildHighscoreTree(collection);
    if (download != DOWNLOAD_OK) {
        for (const std::string& message : DownloadMessages(download, collection, false))
            Err() << Text(message) << "\n";
        Err().flush();
        return EXIT_FAILED;
    }

    // The check boxes: every shown entry, less the unchecked ones, which must exist.
    std::set<std::pair<std::string, std::uint32_t>> unmatched = unchecked;
    for (TreeBranch& branch : tree) {
        for (TreeEntry& entry : branch.entries) {
            const auto key = std::make_pair(branch.title, entry.index);
            entry.checked = unchecked.count(key) == 0;
            unmatched.erase(key);
        }
    }
    if (!unmatched.empty()) {
        const auto& [title, index] = *unmatched.begin();
        return UsageError(
            QString::fromLatin1(kCommand),
            QStringLiteral("the tree shows no entry %1:%2").arg(Text(title)).arg(index));
    }

    CCliPrompts prompts(interactive, json);
    for (const std::string& message : DownloadMessages(download, collection, !tree.empty()))
        prompts.Record(message);

    bool published = false;
    std::vector<int> results;
    if (!tree.empty()) {
        CSettings settings;
        settings.Load();
        CPublishRun run(settings);
        for (const TreeBranch& branch : tree) {
            std::vector<std::uint32_t> checked;
            for (const TreeEntry& entry : branch.entries)
                if (entry.checked)
                    checked.push_back(entry.index);
            run.AddSource(*branch.source, checked);
        }
        if (run.Prepare(prompts)) {
            run.RunPasses();
            for (const PublishMessage& message : run.CompletionMessages())
                prompts.Record(message.text);
            results = {run.result1, run.result2};
            published = run.Succeeded();
        }
    } else {
        published = true; // nothing to publish, and nothing failed
    }

    if (json) {
        QJsonArray messages;
        for (const std::string& message : prompts.Messages())
            messages.append(Text(message));
        QJsonArray codes;
        for (int code : results)
            codes.append(code);
        PrintJson(QJsonObject{{QStringLiteral("messages"), messages},
                              {QStringLiteral("results"), codes}});
    }
    return published ? EXIT_OK : EXIT_FAILED;
}
