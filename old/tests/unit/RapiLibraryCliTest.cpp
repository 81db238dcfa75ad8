// scorvane-cli without --device reaches the handheld through the remote API library: run with
// the stand-in library serving the sample handheld, it must print what the simulated handheld
// prints for the same image.
#include "CliRunner.h"
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A private copy of the sample handheld, so that neither run can change what the other sees.
bool CopyTree(const QString& from, const QString& to) {
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        if (QFileInfo(source).isDir() ? !QDir().mkpath(target) : !QFile::copy(source, target))
            return false;
    }
    return true;
}

QProcessEnvironment ThroughStub(const QString& image) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SCORVANE_RAPI_LIBRARY"),
                       QStringLiteral(SCORVANE_RAPISTUB_PATH));
    environment.insert(QStringLiteral("SCORVANE_RAPISTUB_IMAGE"), image);
    return environment;
}

TEST(RapiLibraryCli, ScanThroughTheLibraryMatchesTheSimulatedHandheld) {
    QTemporaryDir simulated, library;
    const QString sample = QStringLiteral(SCORVANE_SAMPLE_DEVICE);
    ASSERT_TRUE(CopyTree(sample, simulated.path()));
    ASSERT_TRUE(CopyTree(sample, library.path()));

    const CliRun expected = RunCli({QStringLiteral("scan"), QStringLiteral("--device"),
                                    simulated.path(), QStringLiteral("--json")},
                                   QProcessEnvironment::systemEnvironment());
    ASSERT_EQ(expected.exitCode, 0) << expected.err.constData();
    const QJsonObject scan = QJsonDocument::fromJson(expected.out).object();
    ASSERT_GE(scan.value(QStringLiteral("sources")).toArray().size(), 3)
        << "the sample handheld has several tables";

    const CliRun actual =
        RunCli({QStringLiteral("scan"), QStringLiteral("--json")}, ThroughStub(library.path()));
    EXPECT_EQ(actual.exitCode, 0) << actual.err.constData();
    EXPECT_EQ(actual.out, expected.out);
}

TEST(RapiLibraryCli, AHandheldThatNeverAnswersEndsTheRunWithTheConnectMessage) {
    QTemporaryDir image;
    ASSERT_TRUE(CopyTree(QStringLiteral(SCORVANE_SAMPLE_DEVICE), image.path()));
    QProcessEnvironment environment = ThroughStub(image.path());
    environment.insert(QStringLiteral("SCORVANE_RAPISTUB_SESSION"), QStringLiteral("hold"));
    environment.insert(QStringLiteral("SCORVANE_SESSION_WAIT_MS"), QStringLiteral("50"));
    // The program ends normally although the library's opening call never returned.
    const CliRun run = RunCli({QStringLiteral("scan")}, environment);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, QByteArray("Unable to connect to the mobile device.\n"));
    EXPECT_TRUE(run.out.isEmpty());
}

} // namespace
