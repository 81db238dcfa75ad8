#pragma once

// Output and argument helpers shared by the commands.

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>
#include <string>
#include <vector>

// Standard output and standard error, UTF-8.
QTextStream& Out();
QTextStream& Err();

// The program's 8-bit text as Unicode.
QString Text(const std::string& narrow);

// Prints "scorvane-cli COMMAND: message" and a pointer to the command's help on standard
// error; returns EXIT_USAGE.
int UsageError(const QString& command, const QString& message);

// Prints a JSON object, indented, on standard output.
void PrintJson(const QJsonObject& object);

// The options a command accepts: "--name VALUE" or "--name=VALUE" when takesValue, a bare
// "--name" otherwise.
struct OptionSpec {
    QString name; // without the dashes
    bool takesValue = false;
};

// The options given, by name (flags map to ""). "--help" and "-h" give "help". Unknown
// options, missing values and stray arguments report a usage error for command and give
// nothing.
std::optional<QMap<QString, QString>> ParseOptions(const QString& command, const QStringList& args,
                                                   const std::vector<OptionSpec>& specs);
