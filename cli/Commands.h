#pragma once

// The commands of scorvane-cli. The first argument names a command; it gets the arguments
// after its name and returns the exit status (see Output.h). Its help text explains every
// option. To add a command, declare its function and help text here and add a row to the
// table in Commands.cpp.

#include <QStringList>
#include <optional>

class QCommandLineParser;

struct Command {
    const char* name;
    const char* summary; // one line for the command list
    const char* help;    // what "scorvane-cli help NAME" prints
    int (*run)(const QStringList& args);
};

// Runs a whole command line (without the program's name) and returns the exit status.
int runCommandLine(const QStringList& args);

// Parses a command's arguments with parser, which holds the command's options; -h and --help
// are added. Nothing when the command is to go on; otherwise the exit status it ends with,
// after its help text or a usage error was printed.
std::optional<int> parseCommand(QCommandLineParser& parser, const Command& command,
                                const QStringList& args);

// scan: reads a handheld and shows what it holds (ScanCommand.cpp).
int runScan(const QStringList& args);
extern const Command kScanCommand;
// publish: reads a handheld and publishes the shown entries (PublishCommand.cpp).
int runPublish(const QStringList& args);
extern const Command kPublishCommand;
// options: sets and shows the publishing settings of the profile (OptionsCommand.cpp).
int runOptions(const QStringList& args);
extern const Command kOptionsCommand;
