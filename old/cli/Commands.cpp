#include "Commands.h"

const std::vector<CliCommand>& Commands() {
    static const std::vector<CliCommand> commands = {
        {"scan", "Read the highscores from a handheld and show them.", RunScanCommand,
         PrintScanHelp},
        {"publish", "Read the highscores from a handheld and publish them.", RunPublishCommand,
         PrintPublishHelp},
        {"options", "Set or show the publishing settings.", RunOptionsCommand, PrintOptionsHelp},
    };
    return commands;
}

const CliCommand* FindCommand(const QString& name) {
    for (const CliCommand& command : Commands())
        if (name == QLatin1String(command.name))
            return &command;
    return nullptr;
}
