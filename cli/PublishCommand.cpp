// scorvane-cli publish: one download, every shown entry checked except those the command line
// unchecks, then the publish run as the desktop program's Publish command makes it, with the
// message boxes printed instead of shown.
#include "cli/Commands.h"
#include "cli/HandheldScan.h"
#include "cli/Output.h"
#include "cli/Terminal.h"
#include "cli/TerminalPrompts.h"
#include "profile/IslandMarks.h"
#include "profile/Profile.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <set>

namespace {

using EntryKey = std::pair<QString, quint32>; // a table's title and an entry's index

// "TITLE:INDEX", split at the last colon.
std::optional<EntryKey> parseEntryKey(const QString& text) {
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0)
        return std::nullopt;
    bool ok = false;
    const uint index = text.mid(colon + 1).toUInt(&ok);
    if (!ok)
        return std::nullopt;
    return EntryKey{text.left(colon), index};
}

} // namespace

const Command kPublishCommand = {
    "publish", "Read the highscores from a handheld and publish them.",
    "Usage: scorvane-cli publish [--device FOLDER] [--uncheck TITLE:INDEX]... [--yes]\n"
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
    "failed or the run stopped before uploading, 2 for a wrong command line.\n",
    runPublish};

int runPublish(const QStringList& args) {
    const QString command = QStringLiteral("publish");
    QCommandLineParser parser;
    const QCommandLineOption device(QStringLiteral("device"), QString(), QStringLiteral("FOLDER"));
    const QCommandLineOption uncheck(QStringLiteral("uncheck"), QString(),
                                     QStringLiteral("TITLE:INDEX"));
    const QCommandLineOption yes(QStringLiteral("yes"));
    const QCommandLineOption json(QStringLiteral("json"));
    parser.addOptions({device, uncheck, yes, json});
    if (const auto status = parseCommand(parser, kPublishCommand, args))
        return *status;
    if (parser.isSet(device) && parser.value(device).isEmpty())
        return usageError(command, QStringLiteral("--device needs a folder"));
    std::set<EntryKey> unchecked;
    for (const QString& text : parser.values(uncheck)) {
        const auto key = parseEntryKey(text);
        if (!key)
            return usageError(command, QStringLiteral("\"%1\" is not TITLE:INDEX").arg(text));
        unchecked.insert(*key);
    }
    const bool interactive = !parser.isSet(yes) && standardInputIsTerminal();

    const HandheldScan scan = scanHandheld(parser.value(device));
    if (scan.outcome.result != DownloadResult::Ok) {
        for (const QString& message : downloadMessages(scan.outcome, false))
            standardError() << message << "\n";
        return kExitFailed;
    }

    // The check boxes: every shown entry, less the unchecked ones, which must exist.
    std::set<EntryKey> unmatched = unchecked;
    QList<QList<quint32>> checked;
    for (const TreeBranch& branch : scan.tree) {
        QList<quint32>& indices = checked.emplaceBack();
        for (const SourceEntry& entry : branch.entries) {
            const EntryKey key{branch.source->title(), entry.index};
            if (!unchecked.contains(key))
                indices.append(entry.index);
            unmatched.erase(key);
        }
    }
    if (!unmatched.empty()) {
        const auto& [title, index] = *unmatched.begin();
        return usageError(command,
                          QStringLiteral("the tree shows no entry %1:%2").arg(title).arg(index));
    }

    UserProfile profile;
    IslandMarks marks(profile);
    TerminalPrompts prompts(profile, interactive, parser.isSet(json));
    for (const QString& message : downloadMessages(scan.outcome, !scan.tree.isEmpty()))
        prompts.record(message);

    bool published = true; // with nothing to publish, nothing failed
    QJsonArray results;
    if (!scan.tree.isEmpty()) {
        Settings settings;
        settings.load(profile);
        PublishRun run(settings, marks);
        for (qsizetype i = 0; i < scan.tree.size(); ++i)
            run.addSource(scan.tree[i].source, checked[i]);
        published = false;
        if (run.prepare(prompts)) {
            run.run();
            for (const PublishMessage& message : run.completionMessages())
                prompts.record(message.text);
            results = {int(run.result(Destination::Community)),
                       int(run.result(Destination::Islands))};
            published = run.succeeded();
        }
    }

    if (parser.isSet(json)) {
        const QJsonObject object{
            {QStringLiteral("messages"), QJsonArray::fromStringList(prompts.messages())},
            {QStringLiteral("results"), results}};
        writeOutput(QJsonDocument(object).toJson(QJsonDocument::Indented));
    }
    return published ? kExitOk : kExitFailed;
}
