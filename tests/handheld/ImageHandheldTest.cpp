// The device image folder as a handheld: what makes an image, its settings, the files it will
// not use, and confinement to files/.
#include "TestImage.h"

#include "handheld/ImageHandheld.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QString names(const std::optional<QList<FolderEntry>>& entries) {
    if (!entries)
        return QStringLiteral("<failed>");
    QString text;
    for (const FolderEntry& entry : *entries)
        text += entry.name + (entry.isStorageCard ? u"* "_qs : u" "_qs);
    return text;
}

TEST(ImageHandheld, ConnectsOnlyToAnImageFolder) {
    TestImage image, registryOnly;
    QDir(registryOnly.Root()).rmdir(QStringLiteral("files"));
    registryOnly.SetRegistry(QString());
    QTemporaryDir empty;
    QString connects;
    for (const QString& folder : {image.Root(), registryOnly.Root(), empty.path(),
                                  empty.path() + QStringLiteral("/not-there"), QString()}) {
        ImageHandheld handheld(folder);
        connects += handheld.connect(std::chrono::milliseconds(0)) ? u'1' : u'0';
        EXPECT_FALSE(handheld.exists(QStringLiteral("\\x")));
    }
    EXPECT_EQ(connects, u"11000");
}

TEST(ImageHandheld, DeviceIniNamesStorageCardsAndTurnsPacingOff) {
    const struct {
        const char* ini;
        bool pacing;
        const char* cards;
    } cases[] = {
        {"", true, "Nothing SD Storage Card "},
        {"[Device]\nStorageCards=Storage Card, SD ,\n[Link]\nPacing=0\n", false,
         "Nothing SD* Storage Card* "},
        {"; comment\n[device]\nstoragecards = sd\n[LINK]\npacing = Off\n", false,
         "Nothing SD* Storage Card "},
        {"[Link]\nPacing=1\n[Other]\nStorageCards=SD\n", true, "Nothing SD Storage Card "},
    };
    for (const auto& c : cases) {
        TestImage image;
        for (const char* folder : {"\\Storage Card\\Program Files", "\\SD", "\\Nothing"})
            image.AddFolder(QString::fromLatin1(folder));
        image.SetDeviceIni(QString::fromLatin1(c.ini));
        ImageHandheld handheld(image.Root());
        ASSERT_TRUE(handheld.connect(std::chrono::milliseconds(0)));
        EXPECT_EQ(handheld.pacing(), c.pacing) << c.ini;
        EXPECT_EQ(names(handheld.list(QStringLiteral("\\*.*"), Listing::Cards)),
                  QString::fromLatin1(c.cards))
            << c.ini;
        EXPECT_TRUE(handheld.notice().isEmpty());
    }
}

TEST(ImageHandheld, PathsNeverLeaveTheFilesFolder) {
    TestImage image;
    image.AddFile(QStringLiteral("\\inside.dat"), "in");
    image.SetRegistry(QString()); // a file outside files/
#ifdef Q_OS_UNIX                  // making links needs a privilege on Windows
    const QString files = image.Root() + QStringLiteral("/files/");
    for (const auto& [target, link] : {std::pair{"../registry.reg", "link.dat"},
                                       {"..", "up"},
                                       {"loop", "loop"},
                                       {"inside.dat", "alias.dat"}})
        ASSERT_EQ(::symlink(target, QFile::encodeName(files + QLatin1String(link))), 0);
#endif

    ImageHandheld handheld(image.Root());
    ASSERT_TRUE(handheld.connect(std::chrono::milliseconds(0)));
    for (const char* path :
         {"\\..\\registry.reg", "\\.\\inside.dat", "..\\registry.reg", "C:\\inside.dat",
          "\\link.dat", "\\up\\registry.reg", "\\up\\files\\inside.dat", "\\loop", "\\loop\\x",
          "\\inside.dat\\..\\inside.dat", "/../registry.reg"}) {
        const QString devicePath = QString::fromLatin1(path);
        EXPECT_FALSE(handheld.readFile(devicePath)) << path;
        EXPECT_FALSE(handheld.exists(devicePath)) << path;
        handheld.remove(devicePath);
    }
    EXPECT_TRUE(QFile::exists(image.Root() + QStringLiteral("/registry.reg")));
#ifdef Q_OS_UNIX
    EXPECT_EQ(handheld.readFile(QStringLiteral("\\alias.dat")), QByteArray("in"))
        << "a link that stays inside the image is followed";
    EXPECT_EQ(names(handheld.list(QStringLiteral("\\*"), Listing::Files)),
              u"alias.dat inside.dat ");
#endif
    for (const QString& outside : {u"\\up\\*"_qs, u"\\..\\*"_qs, u"\\.."_qs + QChar(0) + u"\\*"_qs})
        EXPECT_FALSE(handheld.list(outside, Listing::Files));
}

// Only regular files are opened: a FIFO would block the reading for ever; files too large to
// hold are refused. What cannot be used of registry.reg and device.ini is told as the session's
// notice.
TEST(ImageHandheld, ImageFilesThatCannotBeUsedAreRefusedAndTold) {
    const QString tooDeep = u"[HKEY_LOCAL_MACHINE"_qs + u"\\a"_qs.repeated(33) + u']';
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
        {"files/big.dat", Huge, {}, ""},
        {"registry.reg", Huge, {}, "registry.reg is larger than 32 MB"},
        {"device.ini", Huge, {}, "device.ini is larger than 1 MB"},
        {"registry.reg", Text, u"[HKLM\\K]\n"_qs, "is not a registry editor export"},
        {"registry.reg", Text, u"REGEDIT4\n"_qs + tooDeep, "1 key(s) more than 32"},
    };
    for (const auto& c : cases) {
        TestImage image;
        image.AddFile(QStringLiteral("\\Storage\\game.dat"), "x");
        const QString path = image.Root() + u'/' + QLatin1String(c.file);
        QFile file(path);
        if (c.kind == Fifo) {
#ifdef Q_OS_UNIX
            QFile::remove(path);
            ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#else
            continue; // Windows has no FIFOs
#endif
        } else {
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.text.toUtf8());
            ASSERT_TRUE(c.kind != Huge || file.resize(33 << 20)); // sparse: costs no disk
            file.close();
        }
        ImageHandheld handheld(image.Root());
        ASSERT_TRUE(handheld.connect(std::chrono::milliseconds(0))) << c.file;
        EXPECT_TRUE(handheld.notice().contains(QLatin1String(c.notice))) << c.file;
        EXPECT_EQ(handheld.notice().isEmpty(), *c.notice == 0) << c.file;
        EXPECT_EQ(names(handheld.list(QStringLiteral("\\Storage\\*.*"), Listing::Files)),
                  u"game.dat ");
        EXPECT_FALSE(handheld.readFile(QStringLiteral("\\Storage\\fifo.dat")));
        EXPECT_FALSE(handheld.readFile(QStringLiteral("\\big.dat")));
    }
}

} // namespace
