// What an upload carries and what the sites answer, and the island file header.
#include "formats/UploadData.h"
#include "formats/IslandFile.h"
#include "formats/Reply.h"

#include <QCryptographicHash>
#include <gtest/gtest.h>
#include <random>

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
    const struct {
        QByteArray data;
        QByteArray text;
    } cases[] = {{"", ""},
                 {"a", "YQ.."},
                 {"ab", "YWI."},
                 {"abc", "YWJj"},
                 {"\xFB\xEF\xBE", "____"},
                 {"\xFF\xFF\xFF", "----"},
                 {"\xFB\xFF\xBE", "_-__"}};
    for (const auto& c : cases) {
        EXPECT_EQ(encodeBody(c.data), c.text);
        EXPECT_EQ(decodeBody(c.text), c.data) << c.text.constData();
    }
    for (const char* text : {"YQ", "YQ.", "YQ...", "YR..", "YWJ.", "Y.Q.", "YQ..YWJj", "YW+j",
                             "YW/j", "YQ==", "YW j", "YWJj\n", "*WJj"})
        EXPECT_FALSE(decodeBody(text)) << text;

    std::mt19937 random(42);
    for (int round = 0; round < 300; ++round) {
        QByteArray data(qsizetype(random() % 200), '\0');
        for (char& c : data)
            c = char(random());
        ASSERT_EQ(decodeBody(encodeBody(data)), data);
    }
}

TEST(Reply, ReadsTheNumberAfterTheExactLiteral) {
    const QByteArray prefix = "Highscores(7hT2xK9m4Rd):";
    EXPECT_EQ(replyLine(12), prefix + "12\n");
    const struct {
        QByteArray reply;
        std::optional<qint32> number;
    } cases[] = {
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
        {prefix.first(10), std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(matchReply(c.reply), c.number) << c.reply.constData();
}

TEST(IslandFile, HeaderTextsNumbersAndDigest) {
    QByteArray file(kIslandHeaderBytes + 5, '\0');
    const auto put = [&](qsizetype at, const QByteArray& text) {
        for (qsizetype i = 0; i < text.size(); ++i)
            file[at + i] = text[i];
    };
    put(12, "Sunny");
    put(28, QByteArray(63, 'i') + "overflow");
    put(0, "before");
    for (char& c : file)
        c = char(c ^ 0x6D);
    const auto header = readIslandHeader(file);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->name, "Sunny");
    EXPECT_EQ(header->id, QByteArray(63, 'i'));
    EXPECT_FALSE(readIslandHeader(file.first(kIslandHeaderBytes - 1)));
    EXPECT_EQ(readIslandHeader(QByteArray(kIslandHeaderBytes, 0x6D))->name, "");
    EXPECT_EQ(islandDigest(file), QCryptographicHash::hash(file, QCryptographicHash::Md5).toHex());

    const struct {
        const char16_t* name;
        qint32 number;
    } numbers[] = {{u"island.3", 3},
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
                   {u"", -1}};
    for (const auto& c : numbers)
        EXPECT_EQ(islandNumber(c.name), c.number) << QString::fromUtf16(c.name).toStdString();
}

} // namespace
