// Reading the handheld's registry from a registry editor export.
#include "handheld/RegistryFile.h"

#include <gtest/gtest.h>

namespace {

using Root = RegistryTree::Root;

// The values of the key at a backslash-separated path below a root, in order, as
// "name=type:hex bytes"; "-" when there is no such key.
std::string values(const RegistryTree& tree, Root root, const QString& path) {
    RegistryTree::Key key = RegistryTree::root(root);
    for (const QString& name : path.split(u'\\', Qt::SkipEmptyParts))
        key = tree.child(key, name);
    QStringList shown;
    for (qsizetype i = 0; key != RegistryTree::kNoKey && i < tree.valueCount(key); ++i) {
        const RegistryTree::Value value = tree.valueAt(key, i);
        shown << value.name.toString() + u'=' + QString::number(value.type) + u':' +
                     QString::fromLatin1(value.data.toByteArray().toHex());
    }
    return key == RegistryTree::kNoKey ? "-" : shown.join(u' ').toStdString();
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
        EXPECT_EQ(values(tree, Root::LocalMachine, u"software\\ZELKORA\\scorvane"_qs) + " " +
                      values(tree, Root::CurrentUser, u"NÄME"_qs),
                  "1=1:31002c005c0053000000 =1:640020002200710022000000 Count=4:0c000000 "
                  "Owner=3:41006e006e000000 Path=16:afff Zoë=1:e9000000");
    }
}

TEST(RegistryFile, SkipsWhatItCannotReadAndKeepsTheRest) {
    RegistryTree tree;
    ASSERT_TRUE(readRegistryFile("REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\ngarbage line\n"
                                 "\"Bad\"=dword:zzzz\n\"TooLong\"=dword:123456789\n"
                                 "\"BadHex\"=hex:1,2g\n\"ThreeDigits\"=hex:123\n"
                                 "\"SplitDigits\"=hex:1 2\n\"Unterminated=\"x\"\n"
                                 "\"NoEquals\" \"x\"\n\"JustAName\"\n"
                                 "\"Good\"=\"yes\"\n\"a\"=\"1\"\n\"gone\"=\"1\"\n"
                                 "[HKEY_NOWHERE\\X]\n\"Lost\"=\"no\"\n"
                                 "[-HKEY_LOCAL_MACHINE\\K]\n\"AlsoLost\"=\"no\"\n"
                                 "[HKEY_LOCAL_MACHINE\\K\n\"LostToo\"=\"no\"\n"
                                 "[HKEY_LOCAL_MACHINE\\k]\n\"A\"=\"2\"\n\"gone\"=-\n",
                                 tree)
                    .isExport);
    EXPECT_EQ(values(tree, Root::LocalMachine, u"K"_qs), "Good=1:7900650073000000 a=1:32000000")
        << "later values replace earlier ones in place";
}

// A handheld's key names have at most 255 characters, and keys lie at most 32 levels deep.
TEST(RegistryFile, KeysBeyondTheHandheldsLimitsAreRefused) {
    const auto deep = [](int levels, int nameChars = 1) {
        QString path;
        for (int i = 0; i < levels; ++i)
            path += u'\\' + QString(nameChars, QChar(u'a' + i % 26));
        return path;
    };
    // 400000 levels were a stack overflow when the tree was freed.
    for (const QString& path : {deep(32, 255), deep(33), deep(2, 256), deep(400000)}) {
        const bool kept = path.size() == 32 * 256; // the first only
        RegistryTree tree;
        const auto read = readRegistryFile(
            (u"REGEDIT4\n[HKEY_LOCAL_MACHINE"_qs + path + u"]\n\"v\"=\"x\"\n"_qs).toUtf8(), tree);
        EXPECT_EQ(values(tree, Root::LocalMachine, path), kept ? "v=1:78000000" : "-");
        EXPECT_EQ(read.refusedKeys, kept ? 0 : 1);
        EXPECT_EQ(tree.keyCount(), kept ? 4u + 32u : 4u) << "a refused key leaves no trace";
    }
}

} // namespace
