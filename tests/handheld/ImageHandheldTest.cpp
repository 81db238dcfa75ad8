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
    QString connects;
    for (const QString& folder : {image.Root(), registryOnly.Root(), image.HostPath(u"\\x"_qs),
                                  image.Root() + QStringLiteral("/files"), QString()})
        connects += ImageHandheld(folder).connect(std::chrono::milliseconds(0)) ? u'1' : u'0';
    EXPECT_EQ(connects, u"11000");
}

TEST(ImageHandheld, DeviceIniNamesStorageCardsAndTurnsPacingOff) {
    // The pacing, then the top folders, "*" for a storage card.
    for (const auto& [ini, shown] : std::initializer_list<std::pair<const char*, const char*>>{
             {"", "1 Nothing SD Storage Card "},
             {"[Device]\nStorageCards=Storage Card, SD ,\n[Link]\nPacing=0\n",
              "0 Nothing SD* Storage Card* "},
             {"; comment\n[device]\nstoragecards = sd\n[LINK]\npacing = Off\n",
              "0 Nothing SD* Storage Card "},
             {"[Link]\nPacing=1\n[Other]\nStorageCards=SD\n", "1 Nothing SD Storage Card "}}) {
        TestImage image;
        for (const char* folder : {"\\Storage Card\\Program Files", "\\SD", "\\Nothing"})
            image.AddFolder(QString::fromLatin1(folder));
        image.SetDeviceIni(QString::fromLatin1(ini));
        ImageHandheld handheld(image.Root());
        ASSERT_TRUE(handheld.connect(std::chrono::milliseconds(0)));
        EXPECT_EQ(QString::number(handheld.pacing()) + u' ' +
                      names(handheld.list(QStringLiteral("\\*.*"), Listing::Cards)),
                  QString::fromLatin1(shown))
            << ini;
    }
}

TEST(ImageHandheld, PathsNeverLeaveTheFilesFolder) {
    TestImage image;
    image.AddFile(QStringLiteral("\\inside.dat"), "in");
    image.SetRegistry(QString()); // a file outside files/
#ifdef Q_OS_UNIX                  // making links needs a privilege on Windows
    for (const auto& [target, link] : {std::pair{"../registry.reg", "link.dat"},
                                       {"..", "up"},
                                       {"loop", "loop"},
                                       {"inside.dat", "alias.dat"}})
        ASSERT_EQ(::symlink(target, QFile::encodeName(image.HostPath(QLatin1String(link)))), 0);
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
    constexpr qint64 kFifo = -1, kHuge = 33 << 20;
    const struct {
        const char* file; // in the image folder
        qint64 size;      // a FIFO, or a file of at least the text's size
        QString text;
        const char* notice;
    } cases[] = {
        {"registry.reg", kFifo, {}, "registry.reg is not a regular file; the handheld's registry"},
        {"device.ini", kFifo, {}, "device.ini is not a regular file; its settings were not used"},
        {"files/Storage/fifo.dat", kFifo, {}, ""},
        {"files/big.dat", kHuge, {}, ""},
        {"registry.reg", kHuge, {}, "registry.reg is larger than 32 MB"},
        {"device.ini", kHuge, {}, "device.ini is larger than 1 MB"},
        {"registry.reg", 0, u"[HKLM\\K]\n"_qs, "is not a registry editor export"},
        {"registry.reg", 0, u"REGEDIT4\n"_qs + tooDeep, "1 key(s) more than 32"},
    };
    for (const auto& c : cases) {
        TestImage image;
        image.AddFile(QStringLiteral("\\Storage\\game.dat"), "x");
        const QString path = image.Root() + u'/' + QLatin1String(c.file);
        QFile file(path);
        if (c.size == kFifo) {
#ifdef Q_OS_UNIX
            QFile::remove(path);
            ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#else
            continue; // Windows has no FIFOs
#endif
        } else { // a huge file is sparse: it costs no disk
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(c.text.toUtf8()) >= 0 &&
                        file.resize(std::max(c.size, file.size())));
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
