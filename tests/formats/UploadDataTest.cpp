// What an upload carries and what the sites answer, and the island file header.
#include "formats/UploadData.h"
#include "formats/IslandFile.h"
#include "formats/Reply.h"

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray le32(quint32 v) {
    return QByteArray(reinterpret_cast<const char*>(&v), 4);
}

const QByteArray kEnd = le32(0) + QByteArray("\x27\x6A\x8E\x3C", 4);

QByteArray islandsHead(const QByteArray& account) {
    return "C7E20B94\n1001|10|Zelk Skyholm\n" + account + "\n" + QByteArray(1, '\0');
}

TEST(TableUpload, LayoutAndItsInverse) {
    const QByteArray text = "9|1|T\nAnn|5|\n0123456789abcdef0123456789abcdef";
    EXPECT_EQ(tableUploadData(text, {0, 3, 4}, "c@x.example"), text + "\n0,3,4:c@x.example");
    EXPECT_EQ(tableUploadData(text, {}, ""), text + "\n:");
    EXPECT_EQ(chosenAsText({24, 0xFFFFFFFFu}), "24,-1") << "indices go out as signed numbers";

    // What is read back, as "table|chosen|e-mail", or "-" when nothing is.
    QByteArrayList read;
    for (const QByteArray& data :
         {tableUploadData("a\nb", {2, 0, 2}, "me@x"), QByteArray("t\n:"),
          QByteArray("t\n123456789:"), QByteArray("no line feed:"), QByteArray("t\n0,1"),
          QByteArray("t\n-1:"), QByteArray("t\n+1:"), QByteArray("t\n 1:"), QByteArray("t\n1,:"),
          QByteArray("t\n,1:"), QByteArray("t\n1234567890:"), QByteArray("t\nx:")}) {
        const auto upload = parseTableUpload(data);
        read << (upload
                     ? upload->tableText + '|' + chosenAsText(upload->chosen) + '|' + upload->email
                     : "-");
    }
    EXPECT_EQ(read.join(' '), "a\nb|2,0,2|me@x t|| t|123456789| - - - - - - - - -");
}

TEST(IslandsUpload, LayoutAndItsInverse) {
    const QByteArray data = islandsUploadData("i@x", "p:w", {"one", "", QByteArray(300, 'm')});
    EXPECT_EQ(data,
              islandsHead("i@x:p:w") + le32(3) + "one" + le32(300) + QByteArray(300, 'm') + kEnd);
    EXPECT_EQ(islandsUploadData("", "", {}), islandsHead(":") + kEnd);
    EXPECT_EQ(parseIslandsUpload(islandsUploadData("", "pw", {})).value().password, "pw");
    const IslandsUpload upload = parseIslandsUpload(data).value();
    EXPECT_EQ(upload.email + '|' + upload.password + '|' + upload.files.join('|'),
              "i@x|p:w|one|" + QByteArray(300, 'm'));
    for (const QByteArray& bad :
         {QByteArray("C7E20B94\n1001|10|Zelk Skyholm\n"), data.chopped(1), data + 'x',
          islandsHead("no colon") + kEnd, islandsHead("a:b") + le32(4) + "abc" + kEnd,
          islandsHead("a:b") + le32(0) + le32(0x3C8E6A28), "X" + data.sliced(1)})
        EXPECT_FALSE(parseIslandsUpload(bad)) << bad.toHex().constData();
}

TEST(Body, EncodesAsBase64WithTheProgramsAlphabet) {
    QByteArrayList encoded;
    for (const char* data :
         {"", "a", "ab", "abc", "\xFB\xEF\xBE", "\xFF\xFF\xFF", "\xFB\xFF\xBE"}) {
        encoded << encodeBody(data);
        EXPECT_EQ(decodeBody(encoded.last()), QByteArray(data)) << encoded.last().constData();
    }
    EXPECT_EQ(encoded.join(' '), " YQ.. YWI. YWJj ____ ---- _-__");
    for (const char* text : {"YQ", "YQ.", "YQ...", "YR..", "YWJ.", "Y.Q.", "YQ..YWJj", "YW+j",
                             "YW/j", "YQ==", "YW j", "YWJj\n", "*WJj"})
        EXPECT_FALSE(decodeBody(text)) << text;
}

TEST(Reply, ReadsTheNumberAfterTheExactLiteral) {
    const QByteArray prefix = "Highscores(7hT2xK9m4Rd):";
    EXPECT_EQ(replyLine(12), prefix + "12\n");
    const QByteArray replies[] = {
        prefix + "0\n", prefix + " \t\r\n\v\f 7", prefix + "+7", prefix + "-0", prefix + "-12",
        prefix + "12abc<html>", prefix + "013", prefix + QByteArray("4\0000", 3),
        prefix + "4294967297", prefix + "99999999999999999999999",
        prefix + "-99999999999999999999999",
        // no number
        prefix + QByteArray("\0000", 2), "", " " + prefix + "0", "\xEF\xBB\xBF" + prefix + "0",
        "Highscores(7hT2xK9m4Rx):0", "highscores(7hT2xK9m4Rd):0", "Highscores(7hT2xK9m4Rd) :0",
        prefix, prefix + "x0", prefix + "+", prefix + "- 1", prefix + " ", prefix.first(10)};
    QStringList numbers;
    for (const QByteArray& reply : replies)
        numbers << (matchReply(reply) ? QString::number(*matchReply(reply)) : u"-"_s);
    EXPECT_EQ(numbers.join(u' '), u"0 7 7 0 -12 12 13 4 2147483647 2147483647 -2147483648 "
                                  "- - - - - - - - - - - - -"_s);
}

TEST(IslandFile, HeaderTextsNumbersAndDigest) {
    QByteArray header(kIslandHeaderBytes + 5, '\0');
    header.replace(0, 6, "before")
        .replace(12, 5, "Sunny")
        .replace(28, 71, QByteArray(63, 'i') + "overflow");
    QByteArray file = header;
    for (char& c : file)
        c = char(c ^ 0x6D);
    const IslandHeader read = readIslandHeader(file).value();
    EXPECT_EQ(read.name + '|' + read.id, "Sunny|" + QByteArray(63, 'i'));
    EXPECT_FALSE(readIslandHeader(file.first(kIslandHeaderBytes - 1)));
    EXPECT_EQ(islandDigest("abc"), "900150983cd24fb0d6963f7d28e17f72"); // RFC 1321

    const char16_t* names[] = {u"island.3",  u"island.0", u"island.03",    u".7",
                               u"a.b.12",    u"island",   u"island.",      u"island.00",
                               u"island.3a", u"12",       u"x.2147483647", u"x.2147483648",
                               u"x.\u0663",  u""};
    QStringList numbers;
    for (const char16_t* name : names)
        numbers << QString::number(islandNumber(name));
    EXPECT_EQ(numbers.join(u' '), u"3 0 3 7 12 -1 -1 -1 -1 -1 2147483647 -1 -1 -1"_s);
}

} // namespace
