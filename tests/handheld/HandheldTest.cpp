// What every backend answers alike: the same small handheld, as a device image and through the
// remote API library (the stand-in library serving that image), must give the same answers.
#include "StubLibrary.h"
#include "TestImage.h"

#include "handheld/ImageHandheld.h"
#include "handheld/LibraryHandheld.h"

#include <gtest/gtest.h>

namespace {

enum class Backend { Image, Library };

// A name near the longest a file system holds (250 bytes), with a character outside the BMP.
const QString kLongest = u"\U0001F3B2"_qs + QString(240, u'n') + u"\u00e9.sco"_qs;

// An answer as text: "-" for none, texts quoted, bytes in hex, entries with "/" for a folder
// and "*" for a storage card.
template <typename T> QString shown(const std::optional<T>& answer) {
    if (!answer)
        return u"-"_qs;
    if constexpr (std::is_same_v<T, QString>)
        return u'"' + *answer + u'"';
    else if constexpr (std::is_same_v<T, QByteArray>)
        return QString::fromLatin1(answer->toHex());
    else {
        QString text;
        for (const FolderEntry& entry : *answer)
            text += entry.name + (entry.isFolder ? u"/"_qs : QString()) +
                    (entry.isStorageCard ? u"*"_qs : QString()) + u' ';
        return text;
    }
}

class HandheldTest : public ::testing::TestWithParam<Backend> {};

TEST_P(HandheldTest, AnswersAlike) {
    TestImage image;
    image.SetRegistry(u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n\"first\"=\"Ann\"\n"
                      "\"a much longer second name\"=dword:0000002a\n\"Bytes\"=hex:01,02,03,04,05\n"
                      "\"GrüSSe\"=\"été\"\n\"Short\"=hex:07,01\n\"64 KiB\"=\""_qs +
                      QString(32767, u'a') + u"\"\n\"over\"=\""_qs + QString(32768, u'a') +
                      u"\"\n[HKEY_CURRENT_USER\\Empty]\n"_qs);
    image.AddFile(u"\\Storage\\vondrel\\HighScores.sco"_qs, {"level\0bytes", 11});
    image.AddFile(u"\\Storage\\vondrel\\empty.dat"_qs, {});
    image.AddFile(u"\\Storage\\alpha\\records.dat"_qs, "r");
    image.AddFile(u"\\Storage\\Beta é.isl"_qs, "isle");
    image.AddFolder(u"\\Storage Card\\Program Files"_qs);
    image.AddFolder(u"\\Nothing Here"_qs);
    image.AddFile(u"\\L\u0151ng\\"_qs + kLongest, "long");
    image.SetDeviceIni(u"[Device]\nStorageCards=Storage Card\n[Link]\nPacing=0"_qs);
    StubLibrary stub;
    std::unique_ptr<Handheld> handheld = std::make_unique<ImageHandheld>(image.Root());
    if (GetParam() == Backend::Library) {
        ASSERT_TRUE(stub.file.isLoaded());
        stub.reset(image.Root().toUtf8().constData());
        handheld = std::make_unique<LibraryHandheld>(QStringList{kStubPath});
    }
    ASSERT_TRUE(handheld->connect(std::chrono::milliseconds(kGenerousMs)));
    QStringList answers;
    auto key = handheld->openKey(RegistryRoot::LocalMachine,
                                 QStringLiteral("\\software\\\\ZELKORA\\Scorvane"));
    ASSERT_TRUE(key);
    answers << shown(key->text(u"FIRST"_qs)) << shown(key->text(u"missing"_qs))
            << QString::number(key->number(u"a much longer second name"_qs).value_or(7))
            << QString::number(key->number(u"Bytes"_qs).value_or(7))
            << QString::number(key->number(u"short"_qs).value_or(7))
            << shown(key->bytes(u"Bytes"_qs, 16)) << shown(key->bytes(u"Bytes"_qs, 2))
            << shown(key->text(u"GRÜSSE"_qs))
            << QString::number(key->text(u"64 KiB"_qs).value_or(QString()).size())
            << shown(key->text(u"over"_qs));
    for (int i = 0; i < 8; ++i)
        answers << shown(key->valueName(i));
    answers << shown(handheld->openKey(RegistryRoot::CurrentUser, u"Empty"_qs)->valueName(0))
            << QString::number(!handheld->openKey(RegistryRoot::LocalMachine, u"SOFTWARE\\No"_qs));
    for (const char* path :
         {"\\Storage\\vondrel\\HighScores.sco", "\\storage\\\\VONDREL\\EMPTY.DAT",
          "\\Storage\\missing.sco", "\\Storage", "\\Storage\\Beta é.isl"})
        answers << shown(handheld->readFile(QString::fromUtf8(path)));
    answers << shown(handheld->readFileStart(u"\\Storage\\vondrel\\HighScores.sco"_qs, 13))
            << shown(handheld->readFileStart(u"\\Storage\\missing"_qs, 13))
            << shown(handheld->list(u"\\*.*"_qs, Listing::Cards))
            << shown(handheld->list(u"\\Storage\\*.*"_qs, Listing::Files))
            << shown(handheld->list(u"\\Storage\\*.*"_qs, Listing::Folders))
            << shown(handheld->list(u"\\Storage\\vondrel\\*.SCO"_qs, Listing::Files))
            << shown(handheld->list(u"\\Nothing Here\\*"_qs, Listing::Files))
            << shown(handheld->list(u"\\Absent\\*.*"_qs, Listing::Files))
            << QString::number(
                   handheld->list(u"\\L\u0151ng\\*"_qs, Listing::Files)->value(0).name == kLongest)
            << shown(handheld->readFile(u"\\L\u0151ng\\"_qs + kLongest));
    for (const char* path :
         {"\\Storage", "\\STORAGE CARD", "\\Storage\\missing", "\\Storage\\alpha\\records.dat"})
        answers << QString::number(handheld->exists(QString::fromUtf8(path)));
    handheld->remove(u"\\STORAGE\\alpha\\RECORDS.DAT"_qs);
    handheld->remove(u"\\Storage"_qs);
    answers << QString::number(handheld->exists(u"\\Storage\\alpha\\records.dat"_qs))
            << QString::number(handheld->exists(u"\\Storage"_qs));
    ASSERT_TRUE(handheld->connect(std::chrono::milliseconds(kGenerousMs)));
    answers << shown(key->text(u"first"_qs)); // a key of an ended session
    handheld->disconnect();
    answers << shown(handheld->readFile(u"\\Storage"_qs))
            << QString::number(handheld->exists(u"\\Storage"_qs));

    EXPECT_EQ(answers.join(u'\n').toStdString(),
              // registry values, value names
              "\"Ann\"\n-\n42\n7\n263\n0102030405\n-\n\"été\"\n32767\n-\n"
              "\"first\"\n\"a much longer second name\"\n\"Bytes\"\n\"GrüSSe\"\n\"Short\"\n"
              "\"64 KiB\"\n\"over\"\n-\n-\n1\n"
              // files
              "6c6576656c006279746573\n\n-\n-\n69736c65\n6c6576656c0062797465730000\n-\n"
              // listings
              "Lőng/ Nothing Here/ Storage/ Storage Card/* \nalpha/ Beta é.isl vondrel/ \n"
              "alpha/ vondrel/ \nHighScores.sco \n\n-\n1\n6c6f6e67\n"
              // presence and deletion, then after the session
              "1\n1\n0\n1\n0\n1\n-\n-\n0");
    if (GetParam() == Backend::Library) {
        EXPECT_TRUE(stub.wait(-1)) << "a session was left open";
        EXPECT_EQ(stub.counters().misuses, 0) << "calls between sessions or off their thread";
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, HandheldTest,
                         ::testing::Values(Backend::Image, Backend::Library), [](const auto& info) {
                             return info.param == Backend::Image ? "Image" : "Library";
                         });

} // namespace
