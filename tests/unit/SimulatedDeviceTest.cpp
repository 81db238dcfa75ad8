// The device image folder as a handheld: names, listings, attributes and confinement.
#include "TestImage.h"

#include "device/DeviceFile.h"
#include "device/RemoteRegKey.h"
#include "device/SimulatedDevice.h"
#include "scores/HighscoreSource.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace rapi;

namespace {

std::u16string W(const char* text) {
    return QString::fromUtf8(text).toStdU16String();
}

std::vector<QString> List(IRapiDevice& device, const char* pattern, DWORD flags,
                          std::vector<DWORD>* attributes = nullptr) {
    DWORD count = 0;
    CE_FIND_DATA* found = nullptr;
    std::vector<QString> names;
    if (!device.CeFindAllFiles(W(pattern).c_str(), flags, &count, &found))
        return {QStringLiteral("<failed>")};
    for (DWORD i = 0; i < count; ++i) {
        names.push_back(QString::fromUtf16(found[i].cFileName));
        if (attributes)
            attributes->push_back(found[i].dwFileAttributes);
    }
    device.CeRapiFreeBuffer(found);
    return names;
}

TEST(SimulatedDevice, ConnectsOnlyToAnImageFolder) {
    TestImage image;
    CSimulatedDevice device(image.Root());
    EXPECT_TRUE(device.StartSession(0));

    QTemporaryDir empty;
    CSimulatedDevice nothing(empty.path());
    EXPECT_FALSE(nothing.StartSession(0));
    CSimulatedDevice missing(empty.path() + QStringLiteral("/not-there"));
    EXPECT_FALSE(missing.StartSession(0));
    CSimulatedDevice none{QString()};
    EXPECT_FALSE(none.StartSession(0));

    QTemporaryDir registryOnly;
    QFile reg(registryOnly.path() + QStringLiteral("/registry.reg"));
    ASSERT_TRUE(reg.open(QIODevice::WriteOnly));
    reg.write("REGEDIT4\n");
    reg.close();
    CSimulatedDevice withRegistry(registryOnly.path());
    EXPECT_TRUE(withRegistry.StartSession(0));
    EXPECT_EQ(withRegistry.CeGetFileAttributes(W("\\x").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(SimulatedDevice, NamesMatchWithoutRegardToCase) {
    TestImage image;
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\vondrel\\HighScores.sco"), "abc");
    CSimulatedDevice device(image.Root());
    ASSERT_TRUE(device.StartSession(0));
    CHighscoreSource source(nullptr, kHighscoreSalt, "vondrel", 25);
    EXPECT_EQ(ReadDeviceFile(&device, source, "\\STORAGE\\program files\\VONDREL\\highscores.SCO"),
              READ_OK);
    EXPECT_EQ(
        ReadDeviceFile(&device, source, "\\\\Storage\\\\Program Files\\vondrel\\HighScores.sco"),
        READ_OK)
        << "a repeated backslash counts as one";
    EXPECT_EQ(device.CeGetFileAttributes(W("\\storage\\PROGRAM FILES").c_str()),
              FILE_ATTRIBUTE_DIRECTORY);
}

TEST(SimulatedDevice, SearchListsInCaseInsensitiveOrderWithAttributes) {
    TestImage image;
    image.AddFolder(QStringLiteral("\\Storage\\Program Files\\beta"));
    image.AddFolder(QStringLiteral("\\Storage\\Program Files\\Alpha"));
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\charlie.txt"), "x");
    image.AddFolder(QStringLiteral("\\Storage Card\\Program Files"));
    image.AddFolder(QStringLiteral("\\Windows"));
    image.SetDeviceIni(
        QStringLiteral("[Device]\nStorageCards=Storage Card, SD\n[Link]\nPacing=0\n"));
    CSimulatedDevice device(image.Root());
    ASSERT_TRUE(device.StartSession(0));
    EXPECT_FALSE(device.PacingEnabled());

    EXPECT_EQ(List(device, "\\Storage\\Program Files\\*.*", FAF_NAME),
              (std::vector<QString>{"Alpha", "beta", "charlie.txt"}));
    EXPECT_EQ(List(device, "\\Storage\\Program Files\\*.*", FAF_FOLDERS_ONLY | FAF_NAME),
              (std::vector<QString>{"Alpha", "beta"}));
    EXPECT_EQ(List(device, "\\Storage\\Program Files\\*.TXT", FAF_NAME),
              (std::vector<QString>{"charlie.txt"}));

    std::vector<DWORD> attributes;
    EXPECT_EQ(List(device, "\\*.*", 0x5081, &attributes),
              (std::vector<QString>{"Storage", "Storage Card", "Windows"}));
    EXPECT_EQ(attributes, (std::vector<DWORD>{FILE_ATTRIBUTE_DIRECTORY,
                                              FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY,
                                              FILE_ATTRIBUTE_DIRECTORY}));
    EXPECT_EQ(device.CeGetFileAttributes(W("\\storage card").c_str()),
              FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY);
    EXPECT_EQ(device.CeGetFileAttributes(W("\\Storage Card\\Program Files").c_str()),
              FILE_ATTRIBUTE_DIRECTORY)
        << "only a card's top folder carries the card mark";
}

TEST(SimulatedDevice, EmptyFolderGivesAnEmptyArrayAndMissingFolderFails) {
    TestImage image;
    image.AddFolder(QStringLiteral("\\Empty"));
    CSimulatedDevice device(image.Root());
    ASSERT_TRUE(device.StartSession(0));
    DWORD count = 99;
    CE_FIND_DATA* found = nullptr;
    EXPECT_TRUE(device.CeFindAllFiles(W("\\Empty\\*").c_str(), FAF_NAME, &count, &found));
    EXPECT_EQ(count, 0u);
    EXPECT_NE(found, nullptr);
    device.CeRapiFreeBuffer(found);
    found = nullptr;
    EXPECT_FALSE(device.CeFindAllFiles(W("\\Missing\\*").c_str(), FAF_NAME, &count, &found));
    EXPECT_EQ(found, nullptr);
}

TEST(SimulatedDevice, PathsNeverLeaveTheFilesFolder) {
    TestImage image;
    image.AddFile(QStringLiteral("\\inside.dat"), "in");
    QFile outside(image.Root() + QStringLiteral("/secret.dat"));
    ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
    outside.write("secret");
    outside.close();
    const QString files = image.Root() + QStringLiteral("/files");
    ASSERT_EQ(::symlink("../secret.dat", (files + QStringLiteral("/link.dat")).toLocal8Bit()), 0);
    ASSERT_EQ(::symlink("..", (files + QStringLiteral("/up")).toLocal8Bit()), 0);
    ASSERT_EQ(::symlink("loop", (files + QStringLiteral("/loop")).toLocal8Bit()), 0);
    ASSERT_EQ(::symlink("inside.dat", (files + QStringLiteral("/alias.dat")).toLocal8Bit()), 0);

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
    EXPECT_EQ(ReadDeviceFile(&device, source, "\\alias.dat"), READ_OK)
        << "a link that stays inside the image is followed";

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

TEST(SimulatedDevice, UnreadableFilesFailToOpen) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    TestImage image;
    image.AddFile(QStringLiteral("\\locked.sco"), "x");
    QFile::setPermissions(image.HostPath(QStringLiteral("\\locked.sco")),
                          QFileDevice::Permissions());
    CSimulatedDevice device(image.Root());
    ASSERT_TRUE(device.StartSession(0));
    CHighscoreSource source(nullptr, kHighscoreSalt, "x", 25);
    EXPECT_EQ(ReadDeviceFile(&device, source, "\\locked.sco"), READ_OPEN_FAILED);
}

TEST(SimulatedDevice, EndingTheSessionReleasesEverything) {
    TestImage image;
    image.AddFile(QStringLiteral("\\a"), "a");
    image.SetRegistry(QStringLiteral("[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"1\"\n"));
    CSimulatedDevice device(image.Root());
    ASSERT_TRUE(device.StartSession(0));
    HKEY key = 0;
    ASSERT_EQ(device.CeRegOpenKeyEx(HKEY_LOCAL_MACHINE, W("K").c_str(), 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    const HANDLE file = device.CeCreateFile(W("\\a").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    device.CeRapiUninit();
    DWORD size = 0;
    EXPECT_NE(device.CeRegQueryValueEx(key, W("v").c_str(), nullptr, nullptr, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(device.CeGetFileSize(file, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(device.CeGetFileAttributes(W("\\a").c_str()), INVALID_FILE_ATTRIBUTES);
}

} // namespace
