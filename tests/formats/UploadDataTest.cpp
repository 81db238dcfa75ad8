// What an upload carries and what the sites answer, and the island file header.
#include "formats/UploadData.h"
#include "formats/IslandFile.h"
#include "formats/Reply.h"

#include <gtest/gtest.h>

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

    const auto upload = parseTableUpload(tableUploadData("a\nb", {2, 0, 2}, "me@x"));
    ASSERT_TRUE(upload);
    EXPECT_EQ(upload->tableText, "a\nb");
    EXPECT_EQ(upload->chosen, (QList<quint32>{2, 0, 2}));
    EXPECT_EQ(upload->email, "me@x");
    EXPECT_EQ(parseTableUpload("t\n:")->chosen, QList<quint32>());
    EXPECT_EQ(parseTableUpload("t\n123456789:")->chosen, QList<quint32>{123456789});
    for (const char* bad : {"no line feed:", "t\n0,1", "t\n-1:", "t\n+1:", "t\n 1:", "t\n1,:",
                            "t\n,1:", "t\n1234567890:", "t\nx:"})
        EXPECT_FALSE(parseTableUpload(bad)) << bad;
}

TEST(IslandsUpload, LayoutAndItsInverse) {
    const QByteArray data = islandsUploadData("i@x", "p:w", {"one", "", QByteArray(300, 'm')});
    EXPECT_EQ(data,
              islandsHead("i@x:p:w") + le32(3) + "one" + le32(300) + QByteArray(300, 'm') + kEnd);
    EXPECT_EQ(islandsUploadData("", "", {}), islandsHead(":") + kEnd);

    const auto upload = parseIslandsUpload(data);
    ASSERT_TRUE(upload);
    EXPECT_EQ(upload->email, "i@x");
    EXPECT_EQ(upload->password, "p:w");
    EXPECT_EQ(upload->files, (QList<QByteArray>{"one", QByteArray(300, 'm')}));
    for (const QByteArray& bad :
         {QByteArray("C7E20B94\n1001|10|Zelk Skyholm\n"), data.chopped(1), data + 'x',
          islandsHead("no colon") + kEnd, islandsHead("a:b") + le32(4) + "abc" + kEnd,
          islandsHead("a:b") + le32(0) + le32(0x3C8E6A28), "X" + data.sliced(1)})
        EXPECT_FALSE(parseIslandsUpload(bad)) << bad.toHex().constData();
}

TEST(Body, EncodesAsBase64WithTheProgramsAlphabet) {
    for (const auto& [data, text] :
         std::initializer_list<std::pair<QByteArray, QByteArray>>{{"", ""},
                                                                  {"a", "YQ.."},
                                                                  {"ab", "YWI."},
                                                                  {"abc", "YWJj"},
                                                                  {"\xFB\xEF\xBE", "____"},
                                                                  {"\xFF\xFF\xFF", "----"},
                                                                  {"\xFB\xFF\xBE", "_-__"}}) {
        EXPECT_EQ(encodeBody(data), text);
        EXPECT_EQ(decodeBody(text), data) << text.constData();
    }
    for (const char* text : {"YQ", "YQ.", "YQ...", "YR..", "YWJ.", "Y.Q.", "YQ..YWJj", "YW+j",
                             "YW/j", "YQ==", "YW j", "YWJj\n", "*WJj"})
        EXPECT_FALSE(decodeBody(text)) << text;
}

TEST(Reply, ReadsTheNumberAfterTheExactLiteral) {
    const QByteArray prefix = "Highscores(7hT2xK9m4Rd):";
    EXPECT_EQ(replyLine(12), prefix + "12\n");
    for (const auto& [reply, number] :
         std::initializer_list<std::pair<QByteArray, std::optional<qint32>>>{
             {prefix + "0\n", 0},
             {prefix + " \t\r\n\v\f 7", 7},
             {prefix + "+7", 7},
             {prefix + "-0", 0},
             {prefix + "-12", -12},
             {prefix + "12abc<html>", 12},
             {prefix + "013", 13},
             {prefix + QByteArray("4\0"
                                  "0",
                                  3),
              4},
             {prefix + "4294967297", 2147483647},
             {prefix + "99999999999999999999999", 2147483647},
             {prefix + "-99999999999999999999999", -2147483647 - 1},
             {prefix + QByteArray("\0"
                                  "0",
                                  2),
              std::nullopt},
             {"", std::nullopt},
             {" " + prefix + "0", std::nullopt},
             {"\xEF\xBB\xBF" + prefix + "0", std::nullopt},
             {"Highscores(7hT2xK9m4Rx):0", std::nullopt},
             {"highscores(7hT2xK9m4Rd):0", std::nullopt},
             {"Highscores(7hT2xK9m4Rd) :0", std::nullopt},
             {prefix, std::nullopt},
             {prefix + "x0", std::nullopt},
             {prefix + "+", std::nullopt},
             {prefix + "- 1", std::nullopt},
             {prefix + " ", std::nullopt},
             {prefix.first(10), std::nullopt}})
        EXPECT_EQ(matchReply(reply), number) << reply.constData();
}

TEST(IslandFile, HeaderTextsNumbersAndDigest) {
    QByteArray header(kIslandHeaderBytes + 5, '\0');
    header.replace(0, 6, "before")
        .replace(12, 5, "Sunny")
        .replace(28, 71, QByteArray(63, 'i') + "overflow");
    QByteArray file = header;
    for (char& c : file)
        c = char(c ^ 0x6D);
    const auto read = readIslandHeader(file);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->name, "Sunny");
    EXPECT_EQ(read->id, QByteArray(63, 'i'));
    EXPECT_FALSE(readIslandHeader(file.first(kIslandHeaderBytes - 1)));
    EXPECT_EQ(islandDigest("abc"), "900150983cd24fb0d6963f7d28e17f72"); // RFC 1321

    for (const auto& [name, number] :
         std::initializer_list<std::pair<const char16_t*, qint32>>{{u"island.3", 3},
                                                                   {u"island.0", 0},
                                                                   {u"island.03", 3},
                                                                   {u".7", 7},
                                                                   {u"a.b.12", 12},
                                                                   {u"island", -1},
                                                                   {u"island.", -1},
                                                                   {u"island.00", -1},
                                                                   {u"island.3a", -1},
                                                                   {u"12", -1},
                                                                   {u"x.2147483647", 2147483647},
                                                                   {u"x.2147483648", -1},
                                                                   {u"x.\u0663", -1},
                                                                   {u"", -1}})
        EXPECT_EQ(islandNumber(name), number) << QString::fromUtf16(name).toStdString();
}

} // namespace
