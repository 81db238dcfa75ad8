#include "cli/Commands.h"

#include "Version.h"
#include "cli/Output.h"

#include <QCommandLineParser>
#include <array>

namespace {

const std::array<const Command*, 3> kCommands = {&kScanCommand, &kPublishCommand, &kOptionsCommand};

const Command* findCommand(const QString& name) {
    for (const Command* command : kCommands)
        if (name == QLatin1String(command->name))
            return command;
    return nullptr;
}

void printUsage(QTextStream& out) {
    out << "Usage: scorvane-cli <command> [options]\n"
           "\n"
           "Collects the highscores that games left on a handheld and publishes them.\n"
           "\n"
           "Commands:\n";
    for (const Command* command : kCommands)
        out << "  " << QString::fromLatin1(command->name).leftJustified(10) << "  "
            << command->summary << "\n";
    out << "  " << QStringLiteral("help").leftJustified(10)
        << "  Show this text, or with a command's name, that command's options.\n"
           "\n"
           "Options:\n"
           "  --version   Show the program's version.\n";
}

int runHelp(const QStringList& args) {
    if (args.isEmpty()) {
        printUsage(standardOutput());
        return kExitOk;
    }
    if (const Command* command = findCommand(args.front())) {
        standardOutput() << command->help;
        return kExitOk;
    }
    standardError() << "scorvane-cli help: unknown command \"" << args.front() << "\"\n";
    printUsage(standardError());
    return kExitUsage;
}

int dispatch(const QStringList& args) {
    if (args.isEmpty()) {
        printUsage(standardError());
        return kExitUsage;
    }
    const QString& first = args.front();
    if (first == QLatin1String("help") || first == QLatin1String("--help") ||
        first == QLatin1String("-h"))
        return runHelp(args.mid(1));
    if (first == QLatin1String("--version")) {
        standardOutput() << "scorvane-cli " << kVersionText << "\n";
        return kExitOk;
    }
    if (const Command* command = findCommand(first))
        return command->run(args.mid(1));
    standardError() << "scorvane-cli: unknown command \"" << first << "\"\n";
    printUsage(standardError());
    return kExitUsage;
}

} // namespace

int runCommandLine(const QStringList& args) {
    const int status = dispatch(args);
    standardOutput().flush();
    standardError().flush();
    return status;
}

std::optional<int> parseCommand(QCommandLineParser& parser, const Command& command,
                                const QStringList& args) {
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(help);
    const QString name = QString::fromLatin1(command.name);
    if (!parser.parse(QStringList{QStringLiteral("scorvane-cli")} + args))
        return usageError(name, parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return usageError(
            name,
            QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().front()));
    if (parser.isSet(help)) {
        standardOutput() << command.help;
        return kExitOk;
    }
    return std::nullopt;
}
