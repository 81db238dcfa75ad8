#include "TempPostgres.h"

#include <QDir>
#include <QProcess>

#include <pwd.h>
#include <unistd.h>

bool TempPostgres::Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (::geteuid() == 0)
        process.start("runuser",
                      QStringList{"-u", "postgres", "--", bin + '/' + program} + arguments);
    else
        process.start(bin + '/' + program, arguments);
    if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0)
        return true;
    problem = program + " failed: " + QString::fromLocal8Bit(process.readAll()).trimmed();
    return false;
}

TempPostgres::TempPostgres(bool durable) : folder(QDir::tempPath() + "/scorvane-pg-XXXXXX") {
    // The newest installed version.
    const QDir versions("/usr/lib/postgresql");
    for (const QString& version :
         versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed))
        if (bin.isEmpty() && QFile::exists(versions.filePath(version + "/bin/initdb")))
            bin = versions.filePath(version + "/bin");
    const passwd* user = ::getpwnam("postgres");
    if (bin.isEmpty())
        problem = "PostgreSQL is not installed (/usr/lib/postgresql/*/bin)";
    else if (!folder.isValid())
        problem = "cannot create a temporary folder";
    else if (::geteuid() == 0 &&
             (!user || ::chown(QFile::encodeName(folder.path()), user->pw_uid, user->pw_gid) != 0))
        problem = "no postgres user to run the cluster as";
    if (!problem.isEmpty() ||
        !Run("initdb", {"-D", folder.filePath("data"), "-U", "postgres", "--auth=trust",
                        "--encoding=UTF8", "--locale=C", "--no-sync"}))
        return;
    const QString options = "-k " + folder.path() +
                            " -c listen_addresses='' -c max_connections=200" +
                            (durable ? "" : " -c fsync=off -c synchronous_commit=off");
    started = Run("pg_ctl", {"-D", folder.filePath("data"), "-o", options, "-l",
                             folder.filePath("log"), "-w", "start"});
}

TempPostgres::~TempPostgres() {
    if (started)
        Run("pg_ctl", {"-D", folder.filePath("data"), "-m", "immediate", "-w", "stop"});
}

QString TempPostgres::CreateDatabase(const QString& name) {
    if (!started || !Run("createdb", {"-h", folder.path(), "-U", "postgres", name}))
        return {};
    return QStringLiteral("postgresql://postgres@localhost/%1?host=%2").arg(name, folder.path());
}
