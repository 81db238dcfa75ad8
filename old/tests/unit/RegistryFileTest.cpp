// Reading the handheld's registry from a registry editor export.
#include "device/RegistryFile.h"

#include <gtest/gtest.h>

using namespace rapi;

namespace {

QByteArray Utf16le(const QString& text) {
    QByteArray bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return bytes;
}

QString Text(const std::optional<RegistryValue>& value) {
    if (!value || value->type != REG_SZ)
        return QStringLiteral("<none>");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(value->data.data()),
                              value->data.size() / 2 - 1);
}

// The key at a backslash-separated path below a root; kNoRegistryKey when absent.
RegistryKey Key(const RegistryTree& tree, HKEY root, const QString& path) {
    RegistryKey key = tree.Root(root);
    for (const QString& name : path.split(u'\\', Qt::SkipEmptyParts))
        key = tree.Child(key, name);
    return key;
}

TEST(RegistryFile, ReadsEveryValueKind) {
    const QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n"
                                        "\r\n"
                                        "; a comment\r\n"
                                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\r\n"
                                        "\"1\"=\"1,\\\\Storage\\\\new.txt\"\r\n"
                                        "@=\"default \\\"quoted\\\"\"\r\n"
                                        "\"Count\"=dword:0000000c\r\n"
                                        "\"Owner\"=hex:41,00,6e,00,\\\r\n"
                                        "  6e,00,00,00\r\n"
                                        "\"Path\"=hex(2):43,00,3a,00,00,00\r\n"
                                        "\r\n"
                                        "[HKEY_CURRENT_USER\\ControlPanel\\Owner]\r\n"
                                        "\"Name\"=\"Ann\"\r\n");
    RegistryTree tree;
    ASSERT_TRUE(ParseRegistryFile(text.toUtf8(), tree));

    const RegistryKey key =
        Key(tree, HKEY_LOCAL_MACHINE, QStringLiteral("software\\ZELKORA\\scorvane"));
    ASSERT_NE(key, kNoRegistryKey);
    ASSERT_EQ(tree.ValueCount(key), 5);
    EXPECT_EQ(tree.ValueAt(key, 0).name, QStringLiteral("1"));
    EXPECT_EQ(Text(tree.Value(key, u"1")), QStringLiteral("1,\\Storage\\new.txt"));
    EXPECT_EQ(Text(tree.Value(key, QString())), QStringLiteral("default \"quoted\""));
    EXPECT_EQ(tree.Value(key, u"count")->type, REG_DWORD);
    EXPECT_EQ(tree.Value(key, u"Count")->data.toByteArray(), QByteArray::fromHex("0c000000"));
    EXPECT_EQ(tree.Value(key, u"Owner")->type, REG_BINARY);
    EXPECT_EQ(tree.Value(key, u"Owner")->data.toByteArray(),
              QByteArray::fromHex("41006e006e000000"));
    EXPECT_EQ(tree.Value(key, u"Path")->type, 2u);
    EXPECT_EQ(Text(tree.Value(Key(tree, HKEY_CURRENT_USER, QStringLiteral("ControlPanel\\Owner")),
                              u"Name")),
              QStringLiteral("Ann"));
}

TEST(RegistryFile, ReadsUtf16AndUtf8WithBom) {
    const QString text = QStringLiteral("REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"Näme\"=\"Zoë\"\n");
    for (const QByteArray& bytes :
         {Utf16le(text), QByteArray("\xEF\xBB\xBF") + text.toUtf8(), text.toUtf8()}) {
        RegistryTree tree;
        ASSERT_TRUE(ParseRegistryFile(bytes, tree));
        const RegistryKey key = Key(tree, HKEY_LOCAL_MACHINE, QStringLiteral("k"));
        ASSERT_NE(key, kNoRegistryKey);
        EXPECT_EQ(Text(tree.Value(key, u"NÄME")), QStringLiteral("Zoë"));
    }
}

TEST(RegistryFile, SkipsGarbageAndKeepsTheRest) {
    const QByteArray text = "REGEDIT4\n"
                            "[HKEY_LOCAL_MACHINE\\K]\n"
                            "garbage line\n"
                            "\"Bad\"=dword:zzzz\n"
                            "\"TooLong\"=dword:123456789\n"
                            "\"BadHex\"=hex:1,2g\n"
                            "\"Unterminated=\"x\"\n"
                            "\"NoEquals\" \"x\"\n"
                            "\"Good\"=\"yes\"\n"
                            "[HKEY_NOWHERE\\X]\n"
                            "\"Lost\"=\"no\"\n"
                            "[-HKEY_LOCAL_MACHINE\\K]\n"
                            "\"AlsoLost\"=\"no\"\n"
                            "[HKEY_LOCAL_MACHINE\\K\n"
                            "\"Good2\"=\"yes\"\n";
    RegistryTree tree;
    ASSERT_TRUE(ParseRegistryFile(text, tree));
    const RegistryKey key = Key(tree, HKEY_LOCAL_MACHINE, QStringLiteral("K"));
    ASSERT_EQ(tree.ValueCount(key), 1);
    EXPECT_EQ(tree.ValueAt(key, 0).name, QStringLiteral("Good"));
}

TEST(RegistryFile, LaterValuesReplaceEarlierOnesInPlace) {
    RegistryTree tree;
    ASSERT_TRUE(ParseRegistryFile("REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"a\"=\"1\"\n\"b\"=\"2\"\n"
                                  "[HKEY_LOCAL_MACHINE\\K]\n\"A\"=\"3\"\n\"b\"=-\n",
                                  tree));
    const RegistryKey key = Key(tree, HKEY_LOCAL_MACHINE, QStringLiteral("K"));
    ASSERT_EQ(tree.ValueCount(key), 1);
    EXPECT_EQ(Text(tree.Value(key, u"a")), QStringLiteral("3"));
}

TEST(RegistryFile, RefusesTextWithoutTheHeader) {
    RegistryTree tree;
    EXPECT_FALSE(ParseRegistryFile("[HKEY_LOCAL_MACHINE\\K]\n\"a\"=\"1\"\n", tree));
    EXPECT_FALSE(ParseRegistryFile(QByteArray(), tree));
    EXPECT_FALSE(ParseRegistryFile(QByteArray("\xFF\xFE", 2), tree));
    EXPECT_EQ(tree.Child(tree.Root(HKEY_LOCAL_MACHINE), u"K"), kNoRegistryKey);
}

// A handheld's key names have at most 255 characters, and keys lie at most 32 levels deep.
TEST(RegistryFile, KeysBeyondTheHandheldsLimitsAreRefused) {
    const auto deep = [](int levels, int nameChars = 1) {
        QString path = QStringLiteral("HKEY_LOCAL_MACHINE");
        for (int i = 0; i < levels; ++i)
            path += u'\\' + QString(nameChars, QChar(u'a' + i % 26));
        return path;
    };
    const struct {
        QString path;
        bool kept;
    } cases[] = {
        {deep(32, 255), true},
        {deep(33), false},
        {deep(2, 256), false},
        {deep(400000), false}, // was a stack overflow when the tree was freed
    };
    for (const auto& c : cases) {
        RegistryTree tree;
        qsizetype refused = -1;
        ASSERT_TRUE(ParseRegistryFile(
            (QStringLiteral("REGEDIT4\n[") + c.path + QStringLiteral("]\n\"v\"=\"x\"\n")).toUtf8(),
            tree, &refused));
        const RegistryKey key = Key(tree, HKEY_LOCAL_MACHINE, c.path.section(u'\\', 1));
        EXPECT_EQ(key != kNoRegistryKey, c.kept) << c.path.size();
        EXPECT_EQ(refused, c.kept ? 0 : 1);
        EXPECT_EQ(tree.KeyCount(), c.kept ? 4u + 32u : 4u) << "a refused key leaves no trace";
        EXPECT_EQ(Text(tree.Value(key, u"v")),
                  c.kept ? QStringLiteral("x") : QStringLiteral("<none>"));
    }
}

} // namespace
