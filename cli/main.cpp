// scorvane-cli: the command-line front end. The first argument names a command; the rest
// belongs to it (see Commands.h).
#include "Commands.h"
#include "Output.h"
#include "device/ThreadExit.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

void PrintUsage(QTextStream& out) {
    out << "Usage: scorvane-cli <command> [options]\n"
           "\n"
           "Collects the highscores that games left on a handheld and publishes them.\n"
           "\n"
           "Commands:\n";
    for (const CliCommand& command : Commands())
        out << "  " << QString::fromLatin1(command.name).leftJustified(10) << "  "
            << command.summary << "\n";
    out << "  " << QStringLiteral("help").leftJustified(10)
        << "  Show this text, or with a command's name, that command's options.\n"
           "\n"
           "Options:\n"
           "  --version   Show the program's version.\n";
}

int RunHelp(const QStringList& args) {
    if (args.isEmpty()) {
        PrintUsage(Out());
        return EXIT_OK;
    }
    if (const CliCommand* command = FindCommand(args.front())) {
        command->help(Out());
        return EXIT_OK;
    }
    Err() << "scorvane-cli help: unknown command \"" << args.front() << "\"\n";
    PrintUsage(Err());
    return EXIT_USAGE;
}

} // namespace

int main(int argc, char** argv) {
    OrderThreadExitCleanup();
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zelkora"));
    QCoreApplication::setApplicationName(QStringLiteral("Scorvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SCORVANE_VERSION));

    const QStringList args = QCoreApplication::arguments().mid(1);
    int status = EXIT_USAGE;
    if (args.isEmpty()) {
        PrintUsage(Err());
    } else if (args.front() == QLatin1String("help") || args.front() == QLatin1String("--help") ||
               args.front() == QLatin1String("-h")) {
        status = RunHelp(args.mid(1));
    } else if (args.front() == QLatin1String("--version")) {
        Out() << "scorvane-cli " << SCORVANE_VERSION << "\n";
        status = EXIT_OK;
    } else if (const CliCommand* command = FindCommand(args.front())) {
        status = command->run(args.mid(1));
    } else {
        Err() << "scorvane-cli: unknown command \"" << args.front() << "\"\n";
        PrintUsage(Err());
    }
    Out().flush();
    Err().flush();
    return status;
}
