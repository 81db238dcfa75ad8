// Registry editor exports come from device images that anyone can hand the program. Whatever the
// parser keeps must come from the input, and an export written back from it must read back as
// the same keys and values. A mismatch stops the run.
#include "device/RegistryFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool holds) {
    if (!holds)
        std::abort();
}

// The input as the parser decodes it.
QString DecodedText(QByteArrayView bytes) {
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
QString Plain(QStringView text) {
    QString out;
    for (const QChar c : text)
        if (c != u'\\' && c != u'"' && c != QChar(0xFEFF) && !c.isSpace())
            out.append(c);
    return out;
}

QString KeyPath(const RegistryTree& tree, RegistryKey key) {
    QString path = tree.Name(key).toString();
    for (RegistryKey k = tree.Parent(key); k != kNoRegistryKey; k = tree.Parent(k))
        path = tree.Name(k).toString() + u'\\' + path;
    return path;
}

// The tree as an export, in UTF-16LE: every key in order, every value as hex(type) bytes.
QByteArray WriteExport(const RegistryTree& tree) {
    QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n");
    for (RegistryKey key = 0; key < tree.KeyCount(); ++key) {
        text += u'[' + KeyPath(tree, key) + QStringLiteral("]\r\n");
        for (qsizetype i = 0; i < tree.ValueCount(key); ++i) {
            const RegistryValue value = tree.ValueAt(key, i);
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
    if (!ParseRegistryFile(input, tree)) {
        Check(tree.KeyCount() == 4 && tree.ValueCount(tree.Root(rapi::HKEY_USERS)) == 0);
        return 0;
    }

    // Everything kept comes from the input: names as they stand in it (up to what reading may
    // drop), and no more data than its text could give.
    const QString text = DecodedText(input);
    const QString plain = Plain(text);
    for (RegistryKey key = 0; key < tree.KeyCount(); ++key) {
        if (key >= 4)
            Check(tree.Parent(key) < key && tree.Name(key).size() <= kMaxRegistryKeyNameChars &&
                  plain.contains(Plain(tree.Name(key))));
        for (qsizetype i = 0; i < tree.ValueCount(key); ++i) {
            const RegistryValue value = tree.ValueAt(key, i);
            Check(plain.contains(Plain(value.name)) && value.data.size() <= 2 * text.size() + 2);
        }
    }

    // Written back and read again, it is the same tree.
    RegistryTree back;
    qsizetype refused = -1;
    Check(ParseRegistryFile(WriteExport(tree), back, &refused) && refused == 0);
    Check(back.KeyCount() == tree.KeyCount());
    for (RegistryKey key = 0; key < tree.KeyCount(); ++key) {
        Check(back.Parent(key) == tree.Parent(key) && back.Name(key) == tree.Name(key));
        Check(back.ValueCount(key) == tree.ValueCount(key));
        for (qsizetype i = 0; i < tree.ValueCount(key); ++i) {
            const RegistryValue a = tree.ValueAt(key, i);
            const RegistryValue b = back.ValueAt(key, i);
            Check(a.name == b.name && a.type == b.type && a.data == b.data);
        }
    }
    return 0;
}
