#include "cli/Output.h"

#include <cstdio>

QTextStream& standardOutput() {
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& standardError() {
    static QTextStream stream(stderr);
    return stream;
}

void writeOutput(const QByteArray& bytes) {
    standardOutput().flush();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

int usageError(const QString& command, const QString& message) {
    standardOutput().flush();
    standardError() << "scorvane-cli " << command << ": " << message << "\n"
                    << "Run \"scorvane-cli help " << command << "\" for the options.\n";
    standardError().flush();
    return kExitUsage;
}
