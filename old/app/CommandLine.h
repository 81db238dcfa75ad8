#pragma once

#include <QString>
#include <QStringList>

// What the desktop program was asked on its command line.
struct CommandLineOptions {
    bool help = false;
    bool version = false;
    QString helpText;
    // --device DIR: a device image folder for this run only.
    QString deviceFolder;
    // --screenshot FILE: download, save a picture of the window, quit.
    QString screenshotFile;
    // --screenshot-dialog options|about: with --screenshot, the picture is of that dialog,
    // opened over the window once the download has ended.
    QString screenshotDialog;
};

// Parses the arguments (the program's name first). False with a message in error when they
// make no sense.
bool ParseCommandLine(const QStringList& arguments, CommandLineOptions& options, QString& error);
