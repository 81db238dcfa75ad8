// The device image folder as a handheld: names, listings, attributes and confinement.
#include "TestImage.h"
#include "TestText.h"

#include "device/DeviceFile.h"
#include "device/HighscoreCollection.h"
#include "device/IslandFiles.h"
#include "device/RemoteRegKey.h"
#include "device/SimulatedDevice.h"
#include "scores/HighscoreSource.h"
#include "scores/IslandsSource.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace rapi;

namespace {

TEST(SimulatedDevice, ConnectsOnlyToAnImageFolder) {
    TestImage image;
    CSimulatedDevice device(image.Root());
    EXPECT_TRUE(device.StartSession(0));

    QTemporaryDir empty;
    for (const QString& root :
         {empty.path(), empty.path() + QStringLiteral("/not-there"), QString()})
        EXPECT_FALSE(CSimulatedDevice(root).StartSession(0)) << root.toStdString();

    QTemporaryDir registryOnly;
    QFile reg(registryOnly.path() + QStringLiteral("/registry.reg"));
    ASSERT_TRUE(reg.open(QIODevice::WriteOnly));
    reg.write("REGEDIT4\n");
    reg.close();
    CSimulatedDevice withRegistry(registryOnly.path());
    EXPECT_TRUE(withRegistry.StartSession(0));
    EXPECT_EQ(withRegistry.CeGetFileAttributes(W("\\x").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(SimulatedDevice, SearchListsInCaseInsensitiveOrderWithAttributes) {
    TestImage image;
    image.AddFolder(QStringLiteral("\\Storage\\Program Files\\Beta"));
    image.AddFolder(QStringLiteral("\\Storage\\Program Files\\alpha"));
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\charlie.txt"), "x");
    image.AddFolder(QStringLiteral("\\Storage Card\\Program Files"));
    image.AddFolder(QStringLiteral("\\Windows"));
    image.SetDeviceIni(
        QStringLiteral("[Device]\nStorageCards=Storage Card, SD\n[Link]\nPacing=0\n"));
    CSimulatedDevice device(image.Root());
    ASSERT_TRUE(device.StartSession(0));
    EXPECT_FALSE(device.PacingEnabled());

    EXPECT_EQ(Listing(device, "\\Storage\\Program Files\\*.*", FAF_NAME | FAF_ATTRIBUTES),
              "alpha/16 Beta/16 charlie.txt/32 ");
    EXPECT_EQ(Listing(device, "\\Storage\\Program Files\\*.*", FAF_FOLDERS_ONLY | FAF_NAME),
              "alpha/16 Beta/16 ");
    EXPECT_EQ(Listing(device, "\\Storage\\Program Files\\*.TXT", FAF_NAME), "charlie.txt/32 ");
    EXPECT_EQ(Listing(device, "\\*.*", 0x5081), "Storage/16 Storage Card/272 Windows/16 ");
    EXPECT_EQ(device.CeGetFileAttributes(W("\\storage card").c_str()),
              FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY);
    EXPECT_EQ(device.CeGetFileAttributes(W("\\Storage Card\\Program Files").c_str()),
              FILE_ATTRIBUTE_DIRECTORY)
        << "only a card's top folder carries the card mark";
}

TEST(SimulatedDevice, PathsNeverLeaveTheFilesFolder) {
    TestImage image;
    image.AddFile(QStringLiteral("\\inside.dat"), "in");
    QFile outside(image.Root() + QStringLiteral("/secret.dat"));
    ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
    outside.write("secret");
    outside.close();
#ifdef Q_OS_WIN
    const bool links = false; // making them needs a privilege there
#else
    const bool links = true;
    const QString files = image.Root() + QStringLiteral("/files");
    ASSERT_EQ(::symlink("../secret.dat", (files + QStringLiteral("/link.dat")).toLocal8Bit()), 0);
    ASSERT_EQ(::symlink("..", (files + QStringLiteral("/up")).toLocal8Bit()), 0);
    ASSERT_EQ(::symlink("loop", (files + QStringLiteral("/loop")).toLocal8Bit()), 0);
    ASSERT_EQ(::symlink("inside.dat", (files + QStringLiteral("/alias.dat")).toLocal8Bit()), 0);
#endif

    CSimulatedDevice device(image.Root());
    ASSERT_TRUE(device.StartSession(0));
    CHighscoreSource source(nullptr, kHighscoreSalt, "x", 25);
    for (const char* path :
         {"\\..\\secret.dat", "\\.\\inside.dat", "..\\secret.dat", "C:\\inside.dat", "\\link.dat",
          "\\up\\secret.dat", "\\up\\files\\inside.dat", "\\loop", "\\loop\\x",
          "\\inside.dat\\..\\inside.dat", "/../secret.dat"}) {
        EXPECT_EQ(ReadDeviceFile(&device, source, path), READ_OPEN_FAILED) << path;
        EXPECT_EQ(device.CeGetFileAttributes(W(path).c_str()), INVALID_FILE_ATTRIBUTES) << path;
        EXPECT_FALSE(device.CeDeleteFile(W(path).c_str())) << path;
    }
    EXPECT_TRUE(QFile::exists(image.Root() + QStringLiteral("/secret.dat")));
    if (links) {
        EXPECT_EQ(ReadDeviceFile(&device, source, "\\alias.dat"), READ_OK)
            << "a link that stays inside the image is followed";
        EXPECT_EQ(Listing(device, "\\*.*", FAF_NAME | FAF_ATTRIBUTES), "alias.dat/32 inside.dat/32 ");
        CHighscoreCollection collection(25);
        collection.SetDevice(&device);
        CIslandsSource islands(&collection, kHighscoreSalt, "islands", 25);
        EXPECT_EQ(LoadIslandFolder(islands, "\\"), READ_OK) << "links that lead out are not there";
        EXPECT_EQ(islands.islands.size(), 2u);
    }

    DWORD count = 0;
    CE_FIND_DATA* found = nullptr;
    EXPECT_FALSE(device.CeFindAllFiles(W("\\up\\*").c_str(), FAF_NAME, &count, &found));
    EXPECT_FALSE(device.CeFindAllFiles(W("\\..\\*").c_str(), FAF_NAME, &count, &found));
}

TEST(SimulatedDevice, OnlyDeletionChangesTheImage) {
    TestImage image;
    image.AddFile(QStringLiteral("\\Islands\\isle.3"), "island");
    image.AddFolder(QStringLiteral("\\Islands\\sub"));
    CSimulatedDevice device(image.Root());
    ASSERT_TRUE(device.StartSession(0));
    EXPECT_EQ(
        device.CeCreateFile(W("\\Islands\\isle.3").c_str(), GENERIC_WRITE, 0, OPEN_EXISTING, 0),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(
        device.CeCreateFile(W("\\Islands\\new").c_str(), GENERIC_READ, 0, 2 /*CREATE_ALWAYS*/, 0),
        INVALID_HANDLE_VALUE);
    EXPECT_FALSE(device.CeDeleteFile(W("\\Islands\\sub").c_str())) << "folders are not deleted";
    EXPECT_TRUE(device.CeDeleteFile(W("\\ISLANDS\\ISLE.3").c_str()));
    EXPECT_FALSE(QFile::exists(image.HostPath(QStringLiteral("\\Islands\\isle.3"))));
    EXPECT_TRUE(QDir(image.HostPath(QStringLiteral("\\Islands\\sub"))).exists());
    EXPECT_FALSE(device.CeDeleteFile(W("\\Islands\\isle.3").c_str()));
}

TEST(SimulatedDevice, HugeFilesAreRefusedWithoutReadingThem) {
    TestImage image;
    image.AddFile(QStringLiteral("\\big.sco"), QByteArray());
    QFile big(image.HostPath(QStringLiteral("\\big.sco")));
    ASSERT_TRUE(big.open(QIODevice::ReadWrite));
    ASSERT_TRUE(big.resize(qint64(1) << 30)); // sparse: costs no disk
    big.close();
    CSimulatedDevice device(image.Root());
    ASSERT_TRUE(device.StartSession(0));
    CHighscoreSource source(nullptr, kHighscoreSalt, "big", 25);
    EXPECT_EQ(ReadDeviceFile(&device, source, "\\big.sco"), READ_SHORT);
    EXPECT_TRUE(source.data.Empty());
}

// Only regular files are opened: a FIFO would block the reading for ever. What cannot be used
// of registry.reg and device.ini is told as the scan's notice.
TEST(SimulatedDevice, ImageFilesThatCannotBeUsedAreRefusedAndTold) {
    const QString tooDeep =
        QStringLiteral("[HKEY_LOCAL_MACHINE") + QStringLiteral("\\a").repeated(33) + u']';
    enum Kind { Fifo, Huge, Text };
    const struct {
        const char* file; // in the image folder
        Kind kind;
        QString text;
        const char* notice;
    } cases[] = {
        {"registry.reg", Fifo, {}, "registry.reg is not a regular file; the handheld's registry"},
        {"device.ini", Fifo, {}, "device.ini is not a regular file; its settings were not used"},
        {"files/Storage/fifo.dat", Fifo, {}, ""},
        {"registry.reg", Huge, {}, "registry.reg is larger than 32 MB"},
        {"registry.reg", Text, QStringLiteral("[HKLM\\K]\n"), "is not a registry editor export"},
        {"registry.reg", Text, QStringLiteral("REGEDIT4\n") + tooDeep, "1 key(s) more than 32"},
    };
    for (const auto& c : cases) {
        TestImage image;
        image.AddFile(QStringLiteral("\\Storage\\game.dat"), "x");
        const QString path = image.Root() + u'/' + QLatin1String(c.file);
        QFile file(path);
        if (c.kind == Fifo) {
#ifdef Q_OS_WIN
            continue; // no FIFOs there
#else
            QFile::remove(path);
            ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
        } else {
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.text.toUtf8());
            ASSERT_TRUE(c.kind != Huge || file.resize(33 << 20)); // sparse: costs no disk
            file.close();
        }
        CSimulatedDevice device(image.Root());
        ASSERT_TRUE(device.StartSession(0)) << c.file;
        const std::string notice = device.SessionNotice();
        EXPECT_NE(notice.find(c.notice), std::string::npos) << notice;
        EXPECT_EQ(notice.empty(), *c.notice == 0) << notice;
        EXPECT_EQ(Listing(device, "\\Storage\\*.*", FAF_NAME), "game.dat/32 ");
        CHighscoreSource source(nullptr, kHighscoreSalt, "x", 25);
        EXPECT_EQ(ReadDeviceFile(&device, source, "\\Storage\\fifo.dat"), READ_OPEN_FAILED);
        CHighscoreCollection collection(25);
        collection.SetDevice(&device);
        collection.ScanDevice();
        EXPECT_EQ(collection.scanMessage, notice) << "the device's notice is the scan's";
    }
}

TEST(SimulatedDevice, UnreadableFilesFailToOpen) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Windows files have no read permission to take away";
#else
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
#endif
    TestImage image;
    image.AddFile(QStringLiteral("\\locked.sco"), "x");
    QFile::setPermissions(image.HostPath(QStringLiteral("\\locked.sco")),
                          QFileDevice::Permissions());
    CSimulatedDevice device(image.Root());
    ASSERT_TRUE(device.StartSession(0));
    CHighscoreSource source(nullptr, kHighscoreSalt, "x", 25);
    EXPECT_EQ(ReadDeviceFile(&device, source, "\\locked.sco"), READ_OPEN_FAILED);
}

} // namespace
