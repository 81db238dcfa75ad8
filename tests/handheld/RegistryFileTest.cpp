// Reading the handheld's registry from a registry editor export.
#include "handheld/RegistryFile.h"

#include <gtest/gtest.h>

namespace {

using Root = RegistryTree::Root;

// The key at a backslash-separated path below a root; kNoKey when absent.
RegistryTree::Key keyAt(const RegistryTree& tree, Root root, const QString& path) {
    RegistryTree::Key key = RegistryTree::root(root);
    for (const QString& name : path.split(u'\\', Qt::SkipEmptyParts))
        key = tree.child(key, name);
    return key;
}

// A value as "type:hex bytes", or "-" when absent.
QString valueText(const RegistryTree& tree, RegistryTree::Key key, const QString& name) {
    const auto value = tree.value(key, name);
    return value ? QString::number(value->type) + u':' + value->data.toByteArray().toHex()
                 : u"-"_qs;
}

TEST(RegistryFile, ReadsEveryValueKindInEveryEncoding) {
    const QString text =
        QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n; a comment\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\r\n"
                       "\"1\"=\"1,\\\\S\"\r\n@=\"d \\\"q\\\"\"\r\n"
                       "\"Count\"=dword:0000000c\r\n"
                       "\"Owner\"=hex:41,00,6e,00,\\\r\n  6e,00,00,00\r\n"
                       "\"Path\"=hex(10):af,FF\r\n[HKCU\\Näme]\r\n\"Zoë\"=\"é\"\r\n");
    QByteArray utf16("\xFF\xFE", 2);
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    for (const QByteArray& bytes : {text.toUtf8(), "\xEF\xBB\xBF" + text.toUtf8(), utf16}) {
        RegistryTree tree;
        ASSERT_TRUE(readRegistryFile(bytes, tree).isExport);
        const auto own =
            keyAt(tree, Root::LocalMachine, QStringLiteral("software\\ZELKORA\\scorvane"));
        ASSERT_EQ(tree.valueCount(own), 5);
        EXPECT_EQ(tree.valueAt(own, 0).name, u"1");
        QStringList values;
        for (const QString& name : {u"1"_qs, QString(), u"count"_qs, u"Owner"_qs, u"Path"_qs})
            values << valueText(tree, own, name);
        values << valueText(tree, keyAt(tree, Root::CurrentUser, u"NÄME"_qs), u"ZOË"_qs);
        EXPECT_EQ(values.join(u' '), u"1:31002c005c0053000000 1:640020002200710022000000 "
                                     "4:0c000000 3:41006e006e000000 16:afff 1:e9000000"_qs);
    }
}

TEST(RegistryFile, SkipsWhatItCannotReadAndKeepsTheRest) {
    RegistryTree tree;
    ASSERT_TRUE(readRegistryFile("REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\ngarbage line\n"
                                 "\"Bad\"=dword:zzzz\n\"TooLong\"=dword:123456789\n"
                                 "\"BadHex\"=hex:1,2g\n\"ThreeDigits\"=hex:123\n"
                                 "\"Unterminated=\"x\"\n\"NoEquals\" \"x\"\n\"JustAName\"\n"
                                 "\"Good\"=\"yes\"\n\"a\"=\"1\"\n\"gone\"=\"1\"\n"
                                 "[HKEY_NOWHERE\\X]\n\"Lost\"=\"no\"\n"
                                 "[-HKEY_LOCAL_MACHINE\\K]\n\"AlsoLost\"=\"no\"\n"
                                 "[HKEY_LOCAL_MACHINE\\K\n\"LostToo\"=\"no\"\n"
                                 "[HKEY_LOCAL_MACHINE\\k]\n\"A\"=\"2\"\n\"gone\"=-\n",
                                 tree)
                    .isExport);
    const auto key = keyAt(tree, Root::LocalMachine, QStringLiteral("K"));
    ASSERT_EQ(tree.valueCount(key), 2) << "later values replace earlier ones in place";
    EXPECT_EQ(tree.valueAt(key, 0).name, u"Good");
    EXPECT_EQ(valueText(tree, key, u"a"_qs), u"1:32000000");
    RegistryTree untouched;
    EXPECT_FALSE(readRegistryFile("[HKEY_LOCAL_MACHINE\\K]\n\"a\"=\"1\"\n", untouched).isExport);
    EXPECT_EQ(untouched.keyCount(), 4u) << "text without the header is no export";
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
        const RegistryFileRead read =
            readRegistryFile((u"REGEDIT4\n["_qs + c.path + u"]\n\"v\"=\"x\"\n"_qs).toUtf8(), tree);
        const auto key = keyAt(tree, Root::LocalMachine, c.path.section(u'\\', 1));
        EXPECT_EQ(key != RegistryTree::kNoKey, c.kept) << c.path.size();
        EXPECT_EQ(read.refusedKeys, c.kept ? 0 : 1);
        EXPECT_EQ(tree.keyCount(), c.kept ? 4u + 32u : 4u) << "a refused key leaves no trace";
    }
}

} // namespace
