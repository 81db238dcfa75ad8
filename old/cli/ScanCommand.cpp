// scorvane-cli scan: one download, as the desktop program's Download command runs it, with
// the tree and the message boxes printed instead of shown.
#include "Commands.h"
#include "Output.h"

#include "device/DeviceConnector.h"
#include "device/DownloadJob.h"
#include "device/HighscoreCollection.h"
#include "device/RapiSession.h"
#include "scores/HighscoreSource.h"
#include "scores/HighscoreTree.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

constexpr const char* kCommand = "scan";
constexpr std::int32_t kMaxRecords = 25;

const TreeBranch* BranchOf(const std::vector<TreeBranch>& tree, const CHighscoreSource* source) {
    for (const TreeBranch& branch : tree)
        if (branch.source == source)
            return &branch;
    return nullptr;
}

QJsonObject ScanAsJson(int result, const CHighscoreCollection& collection,
                       const std::vector<TreeBranch>& tree,
                       const std::vector<std::string>& messages) {
    QJsonArray messageArray;
    for (const std::string& message : messages)
        messageArray.append(Text(message));

    QJsonArray sourceArray;
    for (const std::unique_ptr<CHighscoreSource>& source : collection.sources) {
        if (!source)
            continue;
        const TreeBranch* branch = BranchOf(tree, source.get());
        QJsonArray entries;
        if (branch) {
            for (const TreeEntry& entry : branch->entries)
                entries.append(QJsonObject{{QStringLiteral("index"), qint64(entry.index)},
                                           {QStringLiteral("text"), Text(entry.text)}});
        }
        sourceArray.append(QJsonObject{
            {QStringLiteral("name"), Text(source->Name())},
            {QStringLiteral("title"), Text(source->GetTitle())},
            {QStringLiteral("game"), source->GetGameNumber()},
            {QStringLiteral("format"), source->table.formatNumber},
            {QStringLiteral("destination"), source->GetDestination()},
            {QStringLiteral("verified"), source->table.verified},
            {QStringLiteral("records"), source->table.Count()},
            {QStringLiteral("shown"), branch != nullptr},
            {QStringLiteral("entries"), entries},
        });
    }

    return QJsonObject{
        {QStringLiteral("result"), result},
        {QStringLiteral("messages"), messageArray},
        {QStringLiteral("islandsAppPresent"), collection.islandsAppPresent},
        {QStringLiteral("islandsEntriesLoaded"), collection.islandsEntriesLoaded},
        {QStringLiteral("sources"), sourceArray},
    };
}

void PrintTree(const std::vector<TreeBranch>& tree, const std::vector<std::string>& messages) {
    QTextStream& out = Out();
    if (!tree.empty()) {
        out << kTreeRootText << "\n";
        for (const TreeBranch& branch : tree) {
            out << "    " << Text(branch.title) << "\n";
            for (const TreeEntry& entry : branch.entries)
                out << "        " << (entry.checked ? "[x] " : "[ ] ") << Text(entry.text) << "\n";
        }
    }
    for (const std::string& message : messages)
        out << (tree.empty() && &message == &messages.front() ? "" : "\n") << Text(message) << "\n";
    out.flush();
}

} // namespace

void PrintScanHelp(QTextStream& out) {
    out << "Usage: scorvane-cli scan [--device FOLDER] [--json]\n"
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
           "answered or the scan failed, 2 for a wrong command line.\n";
}

int RunScanCommand(const QStringList& args) {
    const auto options =
        ParseOptions(QString::fromLatin1(kCommand), args,
                     {{QStringLiteral("device"), true}, {QStringLiteral("json"), false}});
    if (!options)
        return EXIT_USAGE;
    if (options->contains(QStringLiteral("help"))) {
        PrintScanHelp(Out());
        return EXIT_OK;
    }
    const QString folder = options->value(QStringLiteral("device"));
    if (options->contains(QStringLiteral("device")) && folder.isEmpty())
        return UsageError(QString::fromLatin1(kCommand), QStringLiteral("--device needs a folder"));

    const std::unique_ptr<IRapiDevice> device = CreateDevice(folder);
    RapiSession session;
    CHighscoreCollection collection(kMaxRecords);
    const int result = RunDownload(session, device.get(), collection, kSessionWaitMs);
    std::vector<TreeBranch> tree;
    if (result == DOWNLOAD_OK)
        tree = BuildHighscoreTree(collection);
    const std::vector<std::string> messages = DownloadMessages(result, collection, !tree.empty());

    if (options->contains(QStringLiteral("json")))
        PrintJson(ScanAsJson(result, collection, tree, messages));
    else if (result == DOWNLOAD_OK)
        PrintTree(tree, messages);

    if (result != DOWNLOAD_OK) {
        for (const std::string& message : messages)
            Err() << Text(message) << "\n";
        Err().flush();
        return EXIT_FAILED;
    }
    return EXIT_OK;
}
