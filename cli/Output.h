#pragma once

// Standard output and standard error as the commands write them, and the exit statuses.

#include <QByteArray>
#include <QString>
#include <QTextStream>

// The command did what was asked.
inline constexpr int kExitOk = 0;
// It ran but failed: no handheld answered, an upload failed, the profile could not be saved.
inline constexpr int kExitFailed = 1;
// The command line was wrong.
inline constexpr int kExitUsage = 2;

// Standard output and standard error, UTF-8.
QTextStream& standardOutput();
QTextStream& standardError();

// Bytes written to standard output as they are, after what the stream holds.
void writeOutput(const QByteArray& bytes);

// Prints "scorvane-cli COMMAND: message" and where the command's options are explained on
// standard error; returns kExitUsage.
int usageError(const QString& command, const QString& message);
