#pragma once

// The commands of scorvane-cli. A command is a function that gets the arguments after its
// name and returns the exit status; its help text explains every option. To add one, declare
// its two functions here and add a row to the table in Commands.cpp.

#include <QStringList>
#include <QTextStream>
#include <vector>

enum ExitStatus : int {
    EXIT_OK = 0,     // the command did what was asked
    EXIT_FAILED = 1, // it ran but failed (no handheld answered, ...)
    EXIT_USAGE = 2,  // the command line was wrong
};

struct CliCommand {
    const char* name;
    const char* summary; // one line for the command list
    int (*run)(const QStringList& args);
    void (*help)(QTextStream& out);
};

// Every command, in the order the usage text lists them.
const std::vector<CliCommand>& Commands();
// The command of that name, or null.
const CliCommand* FindCommand(const QString& name);

// scan: reads a handheld and shows what it holds (ScanCommand.cpp).
int RunScanCommand(const QStringList& args);
void PrintScanHelp(QTextStream& out);
// publish: reads a handheld and publishes the shown entries (PublishCommand.cpp).
int RunPublishCommand(const QStringList& args);
void PrintPublishHelp(QTextStream& out);
// options: sets and shows the publishing settings of the profile (OptionsCommand.cpp).
int RunOptionsCommand(const QStringList& args);
void PrintOptionsHelp(QTextStream& out);
