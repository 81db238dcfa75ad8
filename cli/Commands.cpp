#include "Commands.h"

const std::vector<CliCommand>& Commands() {
    static const std::vector<CliCommand> commands = {
        {"scan", "Read the highscores from a handheld and show them.", RunScanCommand,
         PrintScanHelp},
    };
    return commands;
}

const CliCommand* FindCommand(const QString& name) {
    for (const CliCommand& command : Commands())
        if (name == QLatin1String(command.name))
            return &command;
    return nullptr;
}
