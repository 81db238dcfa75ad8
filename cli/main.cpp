// scorvane-cli: the command-line front end (see Commands.h).
#include "Version.h"
#include "cli/Commands.h"
#include "profile/Profile.h"
#include "runtime/ThreadExit.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    OrderThreadExitCleanup();
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromLatin1(kOrganisationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationName));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersionText));
    return runCommandLine(QCoreApplication::arguments().mid(1));
}
