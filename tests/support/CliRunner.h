#pragma once

// Runs the built scorvane-cli as a separate program. SCORVANE_CLI_PATH is defined for the
// test executables by tests/CMakeLists.txt.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

struct CliRun {
    int exitCode = -1; // -1 when the program did not end normally
    QByteArray out;
    QByteArray err;
};

// Standard input gets input and is closed at once, so the program never sees a terminal.
inline CliRun
RunCli(const QStringList& args,
       const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
       const QByteArray& input = QByteArray()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(SCORVANE_CLI_PATH), args);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    // Windows programs end their lines with CR LF.
    return {process.exitCode(), process.readAllStandardOutput().replace("\r\n", "\n"),
            process.readAllStandardError().replace("\r\n", "\n")};
}
