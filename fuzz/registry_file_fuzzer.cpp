// Registry editor exports come from device images that anyone can hand the program. Whatever the
// parser keeps must come from the input, and an export written back from it must read back as
// the same keys and values. A mismatch stops the run.
#include "handheld/RegistryFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using Root = RegistryTree::Root;

void check(bool holds) {
    if (!holds)
        std::abort();
}

// The input as the parser decodes it.
QString decodedText(QByteArrayView bytes) {
    if (bytes.startsWith("\xFF\xFE")) {
        QString text;
        for (qsizetype i = 2; i + 1 < bytes.size(); i += 2)
            text.append(QChar(char16_t(std::uint8_t(bytes[i]) | std::uint8_t(bytes[i + 1]) << 8)));
        return text;
    }
    return QString::fromUtf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes);
}

// Text without what reading an export may drop from a name: escapes in quotes (a backslash
// before a backslash or a quote) and, where hex data continues on the next line, the closing
// backslash, the line break and blanks (and a byte order mark) at the line's ends.
QString plain(QStringView text) {
    QString out;
    for (const QChar c : text)
        if (c != u'\\' && c != u'"' && c != QChar(0xFEFF) && !c.isSpace())
            out.append(c);
    return out;
}

QString keyPath(const RegistryTree& tree, RegistryTree::Key key) {
    QString path = tree.name(key).toString();
    for (auto k = tree.parent(key); k != RegistryTree::kNoKey; k = tree.parent(k))
        path = tree.name(k).toString() + u'\\' + path;
    return path;
}

// The tree as an export, in UTF-16LE: every key in order, every value as hex(type) bytes.
QByteArray writeExport(const RegistryTree& tree) {
    QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n");
    for (RegistryTree::Key key = 0; key < tree.keyCount(); ++key) {
        text += u'[' + keyPath(tree, key) + QStringLiteral("]\r\n");
        for (qsizetype i = 0; i < tree.valueCount(key); ++i) {
            const RegistryTree::Value value = tree.valueAt(key, i);
            QString name = value.name.toString();
            name.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
            text += name.isEmpty() ? QStringLiteral("@") : u'"' + name + u'"';
            text += QStringLiteral("=hex(%1):").arg(value.type, 0, 16);
            text +=
                QString::fromLatin1(value.data.toByteArray().toHex(',')) + QStringLiteral("\r\n");
        }
    }
    QByteArray bytes("\xFF\xFE");
    for (const QChar c : text)
        bytes.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView input(data, static_cast<qsizetype>(size));
    RegistryTree tree;
    if (!readRegistryFile(input, tree).isExport) {
        check(tree.keyCount() == 4 && tree.valueCount(RegistryTree::root(Root::Users)) == 0);
        return 0;
    }

    // Everything kept comes from the input: names as they stand in it (up to what reading may
    // drop), and no more data than its text could give.
    const QString text = decodedText(input);
    const QString plainText = plain(text);
    for (RegistryTree::Key key = 0; key < tree.keyCount(); ++key) {
        if (key >= 4)
            check(tree.parent(key) < key && tree.name(key).size() <= kMaxRegistryKeyNameChars &&
                  plainText.contains(plain(tree.name(key))));
        for (qsizetype i = 0; i < tree.valueCount(key); ++i) {
            const RegistryTree::Value value = tree.valueAt(key, i);
            check(plainText.contains(plain(value.name)) &&
                  value.data.size() <= 2 * text.size() + 2);
        }
    }

    // Written back and read again, it is the same tree.
    RegistryTree back;
    const RegistryFileRead reread = readRegistryFile(writeExport(tree), back);
    check(reread.isExport && reread.refusedKeys == 0);
    check(back.keyCount() == tree.keyCount());
    for (RegistryTree::Key key = 0; key < tree.keyCount(); ++key) {
        check(back.parent(key) == tree.parent(key) && back.name(key) == tree.name(key));
        check(back.valueCount(key) == tree.valueCount(key));
        for (qsizetype i = 0; i < tree.valueCount(key); ++i) {
            const RegistryTree::Value a = tree.valueAt(key, i);
            const RegistryTree::Value b = back.valueAt(key, i);
            check(a.name == b.name && a.type == b.type && a.data == b.data);
        }
    }
    return 0;
}
