// scorvane-cli scan: one download, with the tree and the message boxes of the desktop program
// printed instead of shown.
#include "cli/Commands.h"
#include "cli/HandheldScan.h"
#include "cli/Output.h"

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonArray entriesAsJson(const QList<SourceEntry>& entries) {
    QJsonArray array;
    for (const SourceEntry& entry : entries)
        array.append(QJsonObject{{QStringLiteral("index"), qint64(entry.index)},
                                 {QStringLiteral("text"), entry.text}});
    return array;
}

// Every source of the collection, with the entries of its branch when the tree shows it.
QJsonObject scanAsJson(const HandheldScan& scan, const QStringList& messages) {
    const Collection& collection = scan.outcome.collection;
    QJsonArray sources;
    auto branch = scan.tree.cbegin(); // the tree keeps the collection's order
    for (const std::shared_ptr<HighscoreSource>& source : collection.sources) {
        const bool shown = branch != scan.tree.cend() && branch->source == source;
        sources.append(QJsonObject{
            {QStringLiteral("name"), source->name()},
            {QStringLiteral("title"), source->title()},
            {QStringLiteral("game"), source->game()},
            {QStringLiteral("format"), source->format()},
            {QStringLiteral("destination"), int(source->destination())},
            {QStringLiteral("verified"), source->verified()},
            {QStringLiteral("records"), qint64(source->recordCount())},
            {QStringLiteral("shown"), shown},
            {QStringLiteral("entries"), shown ? entriesAsJson(branch->entries) : QJsonArray()},
        });
        if (shown)
            ++branch;
    }
    return QJsonObject{
        {QStringLiteral("result"), int(scan.outcome.result)},
        {QStringLiteral("messages"), QJsonArray::fromStringList(messages)},
        {QStringLiteral("islandsAppPresent"), collection.islandsAppPresent},
        {QStringLiteral("islandsEntriesLoaded"), collection.islandsFoldersLoaded},
        {QStringLiteral("sources"), sources},
    };
}

void printTree(const QList<TreeBranch>& tree, const QStringList& messages) {
    QTextStream& out = standardOutput();
    if (!tree.isEmpty()) {
        out << kTreeRootText << "\n";
        for (const TreeBranch& branch : tree) {
            out << "    " << branch.source->title() << "\n";
            for (const SourceEntry& entry : branch.entries)
                out << "        [x] " << entry.text << "\n";
        }
    }
    for (qsizetype i = 0; i < messages.size(); ++i)
        out << (tree.isEmpty() && i == 0 ? "" : "\n") << messages[i] << "\n";
    out.flush();
}

} // namespace

const Command kScanCommand = {
    "scan", "Read the highscores from a handheld and show them.",
    "Usage: scorvane-cli scan [--device FOLDER] [--json]\n"
    "\n"
    "Connects to the handheld, reads every highscore table the games left on it, and\n"
    "prints the highscore tree as the desktop program shows it after a download: each\n"
    "table with the entries that would be published (factory entries are left out),\n"
    "followed by the texts of the messages the download leaves.\n"
    "\n"
    "Options:\n"
    "  --device FOLDER  Read the device image in FOLDER (files/, registry.reg,\n"
    "                   device.ini) instead of a connected handheld.\n"
    "  --json           Print one JSON object instead of the tree: \"result\" (0 read,\n"
    "                   1 no handheld answered, 2 the scan failed), \"messages\",\n"
    "                   \"islandsAppPresent\", \"islandsEntriesLoaded\" and \"sources\"\n"
    "                   (each with name, title, game, format, destination, verified,\n"
    "                   records, shown, and the shown entries with their index).\n"
    "  -h, --help       Show this text.\n"
    "\n"
    "Exit status: 0 after a download from a handheld that answered, 1 when none\n"
    "answered or the scan failed, 2 for a wrong command line.\n",
    runScan};

int runScan(const QStringList& args) {
    QCommandLineParser parser;
    const QCommandLineOption device(QStringLiteral("device"), QString(), QStringLiteral("FOLDER"));
    const QCommandLineOption json(QStringLiteral("json"));
    parser.addOptions({device, json});
    if (const auto status = parseCommand(parser, kScanCommand, args))
        return *status;
    if (parser.isSet(device) && parser.value(device).isEmpty())
        return usageError(QStringLiteral("scan"), QStringLiteral("--device needs a folder"));

    const HandheldScan scan = scanHandheld(parser.value(device));
    const QStringList messages = downloadMessages(scan.outcome, !scan.tree.isEmpty());
    const bool ok = scan.outcome.result == DownloadResult::Ok;
    if (parser.isSet(json))
        writeOutput(QJsonDocument(scanAsJson(scan, messages)).toJson(QJsonDocument::Indented));
    else if (ok)
        printTree(scan.tree, messages);

    if (!ok) {
        for (const QString& message : messages)
            standardError() << message << "\n";
        return kExitFailed;
    }
    return kExitOk;
}
