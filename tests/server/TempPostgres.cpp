#include "TempPostgres.h"

#include <QDir>
#include <QProcess>

#include <pwd.h>
#include <unistd.h>

namespace {

const char* const kServiceUser = "postgres";

bool IsRoot() {
    return ::geteuid() == 0;
}

} // namespace

QString TempPostgres::BinFolder() {
    QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(found.begin(), found.end(),
              [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
    for (const QString& version : found) {
        const QString candidate = versions.filePath(version + QStringLiteral("/bin"));
        if (QFile::exists(candidate + QStringLiteral("/initdb")))
            return candidate;
    }
    return {};
}

bool TempPostgres::Run(const QString& program, const QStringList& arguments, QString* output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QString path = bin + QLatin1Char('/') + program;
    if (IsRoot())
        process.start(QStringLiteral("runuser"),
                      QStringList{QStringLiteral("-u"), QString::fromLatin1(kServiceUser),
                                  QStringLiteral("--"), path} +
                          arguments);
    else
        process.start(path, arguments);
    const bool finished = process.waitForFinished(120000);
    const QString text = QString::fromLocal8Bit(process.readAll());
    if (output)
        *output = text;
    if (!finished || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        problem = program + QStringLiteral(" failed: ") + text.trimmed();
        return false;
    }
    return true;
}

TempPostgres::TempPostgres(bool durable) {
    bin = BinFolder();
    if (bin.isEmpty()) {
        problem = QStringLiteral("PostgreSQL is not installed (/usr/lib/postgresql/*/bin)");
        return;
    }
    QByteArray pattern = QDir::tempPath().toLocal8Bit() + "/scorvane-pg-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        problem = QStringLiteral("cannot create a temporary folder");
        return;
    }
    folder = QString::fromLocal8Bit(pattern);
    if (IsRoot()) {
        const passwd* user = ::getpwnam(kServiceUser);
        if (!user || ::chown(pattern.constData(), user->pw_uid, user->pw_gid) != 0) {
            problem = QStringLiteral("no postgres user to run the cluster as");
            return;
        }
    }
    const QString data = folder + QStringLiteral("/data");
    if (!Run(QStringLiteral("initdb"),
             {QStringLiteral("-D"), data, QStringLiteral("-U"), QString::fromLatin1(kServiceUser),
              QStringLiteral("--auth=trust"), QStringLiteral("--encoding=UTF8"),
              QStringLiteral("--locale=C"), QStringLiteral("--no-sync")}))
        return;
    QString options =
        QStringLiteral("-k %1 -c listen_addresses='' -c max_connections=200").arg(folder);
    if (!durable)
        options += QStringLiteral(" -c fsync=off -c synchronous_commit=off");
    started = Run(QStringLiteral("pg_ctl"),
                  {QStringLiteral("-D"), data, QStringLiteral("-o"), options, QStringLiteral("-l"),
                   folder + QStringLiteral("/log"), QStringLiteral("-w"), QStringLiteral("start")});
}

TempPostgres::~TempPostgres() {
    if (started)
        Run(QStringLiteral("pg_ctl"),
            {QStringLiteral("-D"), folder + QStringLiteral("/data"), QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
    if (!folder.isEmpty())
        QDir(folder).removeRecursively();
}

QString TempPostgres::CreateDatabase(const QString& name) {
    if (!started)
        return {};
    if (!Run(QStringLiteral("createdb"), {QStringLiteral("-h"), folder, QStringLiteral("-U"),
                                          QString::fromLatin1(kServiceUser), name}))
        return {};
    return QStringLiteral("postgresql://%1@localhost/%2?host=%3")
        .arg(QLatin1String(kServiceUser), name, folder);
}
