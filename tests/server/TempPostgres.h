#pragma once

// A throwaway PostgreSQL cluster in a temporary folder, reached through a Unix socket in that
// folder, for tests and benchmarks. initdb and pg_ctl refuse to run as root, so as root they
// run as the postgres user of Debian's package. The cluster is stopped and its folder removed
// when the object goes, also after a failed test.

#include <QTemporaryDir>

class TempPostgres {
public:
    // durable: the server syncs its commits to the disk, as in production.
    explicit TempPostgres(bool durable = false);
    ~TempPostgres();

    // Empty when the cluster runs, otherwise why it does not.
    const QString& Problem() const { return problem; }

    // Creates a database and returns the server's URL for it; empty on failure.
    QString CreateDatabase(const QString& name);

private:
    bool Run(const QString& program, const QStringList& arguments);

    QString bin;
    QTemporaryDir folder;
    bool started = false;
    QString problem;
};
