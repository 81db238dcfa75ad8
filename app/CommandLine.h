#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// What the desktop program was asked on its command line.
struct CommandLineOptions {
    bool help = false;
    bool version = false;
    QString helpText;
    // --device DIR: a device image folder for this run only (absolute).
    QString deviceFolder;
    // --screenshot FILE: download, save a picture of the window, quit.
    QString screenshotFile;
    // --screenshot-dialog options|about: with --screenshot, the picture is of that dialog,
    // opened over the window once the download has ended.
    QString screenshotDialog;
};

// Parses the arguments (the program's name first). Nothing, with a message in error, when
// they make no sense.
std::optional<CommandLineOptions> parseCommandLine(const QStringList& arguments, QString& error);
