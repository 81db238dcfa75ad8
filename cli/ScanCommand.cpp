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

QJsonObject sourceAsJson(const HighscoreSource& source, const TreeBranch* branch) {
    return QJsonObject{
        {QStringLiteral("name"), source.name()},
        {QStringLiteral("title"), source.title()},
        {QStringLiteral("game"), source.game()},
        {QStringLiteral("format"), source.format()},
        {QStringLiteral("destination"), int(source.destination())},
        {QStringLiteral("verified"), source.verified()},
        {QStringLiteral("records"), qint64(source.recordCount())},
        {QStringLiteral("shown"), branch != nullptr},
        {QStringLiteral("entries"), branch ? entriesAsJson(branch->entries) : QJsonArray()},
    };
}

// The scan as one JSON object, with every source of the collection and the entries of its
// branch when the tree shows it. It is written a source at a time, so that a large image's
// JSON is never held whole: the bytes are those of QJsonDocument::toJson(Indented) of the
// whole object, which indents by four spaces a level and puts "sources", its last key, at the
// end.
void writeScanJson(const HandheldScan& scan, const QStringList& messages) {
    const Collection& collection = scan.outcome.collection;
    const QJsonObject head{
        {QStringLiteral("result"), int(scan.outcome.result)},
        {QStringLiteral("messages"), QJsonArray::fromStringList(messages)},
        {QStringLiteral("islandsAppPresent"), collection.islandsAppPresent},
        {QStringLiteral("islandsEntriesLoaded"), collection.islandsFoldersLoaded},
        {QStringLiteral("sources"), QJsonArray()},
    };
    const QByteArrayView end = "\n    ]\n}\n"; // closes "sources" and the object
    QByteArray text = QJsonDocument(head).toJson(QJsonDocument::Indented);
    text.chop(end.size());            // the empty array's end
    auto branch = scan.tree.cbegin(); // the tree keeps the collection's order
    for (qsizetype i = 0; i < collection.sources.size(); ++i) {
        const HighscoreSource& source = *collection.sources[i];
        const bool shown = branch != scan.tree.cend() && branch->source.get() == &source;
        // An element of "sources" stands two levels deep.
        QByteArray element = QJsonDocument(sourceAsJson(source, shown ? &*branch++ : nullptr))
                                 .toJson(QJsonDocument::Indented);
        element.chop(1);
        text += (i == 0 ? "\n        " : ",\n        ") + element.replace("\n", "\n        ");
        writeOutput(std::exchange(text, {}));
    }
    writeOutput(text.append(end));
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
        writeScanJson(scan, messages);
    else if (ok)
        printTree(scan.tree, messages);

    if (!ok) {
        for (const QString& message : messages)
            standardError() << message << "\n";
        return kExitFailed;
    }
    return kExitOk;
}
