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

QString Text(const RegistryValue* value) {
    if (!value || value->type != REG_SZ)
        return QStringLiteral("<none>");
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(value->data.constData()),
                              value->data.size() / 2 - 1);
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

    const RegistryKeyNode* key = tree.localMachine.Child(QStringLiteral("software"))
                                     ->Child(QStringLiteral("ZELKORA"))
                                     ->Child(QStringLiteral("scorvane"));
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->Values().size(), 5u);
    EXPECT_EQ(key->Values()[0].name, QStringLiteral("1"));
    EXPECT_EQ(Text(key->Value(QStringLiteral("1"))), QStringLiteral("1,\\Storage\\new.txt"));
    EXPECT_EQ(Text(key->Value(QString())), QStringLiteral("default \"quoted\""));
    EXPECT_EQ(key->Value(QStringLiteral("count"))->type, REG_DWORD);
    EXPECT_EQ(key->Value(QStringLiteral("Count"))->data, QByteArray::fromHex("0c000000"));
    EXPECT_EQ(key->Value(QStringLiteral("Owner"))->type, REG_BINARY);
    EXPECT_EQ(key->Value(QStringLiteral("Owner"))->data, QByteArray::fromHex("41006e006e000000"));
    EXPECT_EQ(key->Value(QStringLiteral("Path"))->type, 2u);
    EXPECT_EQ(Text(tree.currentUser.Child(QStringLiteral("ControlPanel"))
                       ->Child(QStringLiteral("Owner"))
                       ->Value(QStringLiteral("Name"))),
              QStringLiteral("Ann"));
}

TEST(RegistryFile, ReadsUtf16AndUtf8WithBom) {
    const QString text = QStringLiteral("REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"Näme\"=\"Zoë\"\n");
    for (const QByteArray& bytes :
         {Utf16le(text), QByteArray("\xEF\xBB\xBF") + text.toUtf8(), text.toUtf8()}) {
        RegistryTree tree;
        ASSERT_TRUE(ParseRegistryFile(bytes, tree));
        const RegistryKeyNode* key = tree.localMachine.Child(QStringLiteral("k"));
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(Text(key->Value(QStringLiteral("NÄME"))), QStringLiteral("Zoë"));
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
    const RegistryKeyNode* key = tree.localMachine.Child(QStringLiteral("K"));
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->Values().size(), 1u);
    EXPECT_EQ(key->Values()[0].name, QStringLiteral("Good"));
}

TEST(RegistryFile, LaterValuesReplaceEarlierOnesInPlace) {
    RegistryTree tree;
    ASSERT_TRUE(ParseRegistryFile("REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"a\"=\"1\"\n\"b\"=\"2\"\n"
                                  "[HKEY_LOCAL_MACHINE\\K]\n\"A\"=\"3\"\n\"b\"=-\n",
                                  tree));
    const RegistryKeyNode* key = tree.localMachine.Child(QStringLiteral("K"));
    ASSERT_EQ(key->Values().size(), 1u);
    EXPECT_EQ(Text(key->Value(QStringLiteral("a"))), QStringLiteral("3"));
}

TEST(RegistryFile, RefusesTextWithoutTheHeader) {
    RegistryTree tree;
    EXPECT_FALSE(ParseRegistryFile("[HKEY_LOCAL_MACHINE\\K]\n\"a\"=\"1\"\n", tree));
    EXPECT_FALSE(ParseRegistryFile(QByteArray(), tree));
    EXPECT_FALSE(ParseRegistryFile(QByteArray("\xFF\xFE", 2), tree));
    EXPECT_EQ(tree.localMachine.Child(QStringLiteral("K")), nullptr);
}

} // namespace
