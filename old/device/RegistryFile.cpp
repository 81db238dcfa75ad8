#include "device/RegistryFile.h"

#include <optional>

namespace {

// The lines of an export, decoded one at a time: UTF-16LE after its byte order mark, else
// UTF-8 (after its mark, if any).
class ExportLines {
public:
    explicit ExportLines(QByteArrayView bytes) : bytes(bytes) {
        if (bytes.startsWith("\xFF\xFE")) {
            utf16 = true;
            pos = 2;
        } else if (bytes.startsWith("\xEF\xBB\xBF")) {
            pos = 3;
        }
    }

    // The next line without its line feed; false after the last one.
    bool Next(QString& line) {
        if (pos >= bytes.size() || (utf16 && pos + 1 >= bytes.size()))
            return false;
        if (!utf16) {
            qsizetype end = bytes.indexOf('\n', pos);
            if (end < 0)
                end = bytes.size();
            line = QString::fromUtf8(bytes.sliced(pos, end - pos));
            pos = end + 1;
            return true;
        }
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        const qsizetype units = (bytes.size() - pos) / 2;
        line.resize(0);
        qsizetype i = 0;
        for (; i < units; ++i) {
            const auto unit = static_cast<char16_t>(data[pos + 2 * i] | data[pos + 2 * i + 1] << 8);
            if (unit == u'\n')
                break;
            line.append(QChar(unit));
        }
        pos += 2 * (i + 1);
        return true;
    }

private:
    QByteArrayView bytes;
    qsizetype pos = 0;
    bool utf16 = false;
};

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

struct ParsedData {
    rapi::DWORD type = rapi::REG_NONE;
    QByteArray data;
};

QByteArray Utf16Data(const QString& text) {
    QByteArray data;
    data.reserve((text.size() + 1) * 2);
    for (const QChar c : text) {
        data.append(static_cast<char>(c.unicode() & 0xFF));
        data.append(static_cast<char>(c.unicode() >> 8));
    }
    data.append(2, '\0');
    return data;
}

// Reads a quoted text starting at text[pos] == '"'; pos ends after the closing quote.
std::optional<QString> ReadQuoted(QStringView text, qsizetype& pos) {
    QString out;
    ++pos;
    while (pos < text.size()) {
        const QChar c = text[pos];
        if (c == u'\\' && pos + 1 < text.size() &&
            (text[pos + 1] == u'\\' || text[pos + 1] == u'"')) {
            out.append(text[pos + 1]);
            pos += 2;
            continue;
        }
        if (c == u'"') {
            ++pos;
            return out;
        }
        out.append(c);
        ++pos;
    }
    return std::nullopt;
}

// Comma-separated bytes of one or two hex digits; backslashes and blanks around them are
// ignored.
std::optional<QByteArray> ReadHexBytes(QStringView list) {
    QByteArray data;
    data.reserve(list.size() / 3 + 1);
    for (QStringView part : list.tokenize(u',')) {
        int digits = 0;
        uint value = 0;
        bool blankAfterDigit = false;
        for (const QChar c : part) {
            if (c == u'\\')
                continue;
            if (c.isSpace()) {
                blankAfterDigit = digits > 0;
                continue;
            }
            const int digit = HexDigit(c);
            if (digit < 0 || blankAfterDigit || ++digits > 2)
                return std::nullopt;
            value = value * 16 + uint(digit);
        }
        if (digits > 0)
            data.append(static_cast<char>(value));
    }
    return data;
}

std::optional<ParsedData> ReadValueData(QStringView rest) {
    ParsedData value;
    if (rest.startsWith(u'"')) {
        qsizetype pos = 0;
        const auto text = ReadQuoted(rest, pos);
        if (!text || !rest.sliced(pos).trimmed().isEmpty())
            return std::nullopt;
        value.type = rapi::REG_SZ;
        value.data = Utf16Data(*text);
        return value;
    }
    if (rest.startsWith(u"dword:", Qt::CaseInsensitive)) {
        const QStringView digits = rest.sliced(6).trimmed();
        bool ok = false;
        const uint number = digits.toUInt(&ok, 16);
        if (!ok || digits.isEmpty() || digits.size() > 8)
            return std::nullopt;
        value.type = rapi::REG_DWORD;
        for (int i = 0; i < 4; ++i)
            value.data.append(static_cast<char>((number >> (8 * i)) & 0xFF));
        return value;
    }
    if (rest.startsWith(u"hex:", Qt::CaseInsensitive)) {
        auto bytes = ReadHexBytes(rest.sliced(4));
        if (!bytes)
            return std::nullopt;
        value.type = rapi::REG_BINARY;
        value.data = std::move(*bytes);
        return value;
    }
    if (rest.startsWith(u"hex(", Qt::CaseInsensitive)) {
        const qsizetype close = rest.indexOf(u"):");
        if (close < 0)
            return std::nullopt;
        bool ok = false;
        const uint type = rest.sliced(4, close - 4).toUInt(&ok, 16);
        if (!ok)
            return std::nullopt;
        auto bytes = ReadHexBytes(rest.sliced(close + 2));
        if (!bytes)
            return std::nullopt;
        value.type = type;
        value.data = std::move(*bytes);
        return value;
    }
    return std::nullopt;
}

// The key of a section's path, created as needed; kNoRegistryKey for an unknown root, and for
// a path beyond the handheld's limits (then refused is set and nothing is created).
RegistryKey OpenSection(RegistryTree& tree, QStringView path, bool& refused) {
    refused = false;
    RegistryKey key = kNoRegistryKey;
    qsizetype levels = -1;
    for (QStringView part : path.tokenize(u'\\', Qt::SkipEmptyParts)) {
        if (++levels == 0) {
            const QStringView root = part.trimmed();
            const auto is = [&](const char* name) {
                return root.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
            };
            if (is("HKEY_LOCAL_MACHINE") || is("HKLM"))
                key = tree.Root(rapi::HKEY_LOCAL_MACHINE);
            else if (is("HKEY_CURRENT_USER") || is("HKCU"))
                key = tree.Root(rapi::HKEY_CURRENT_USER);
            else if (is("HKEY_CLASSES_ROOT") || is("HKCR"))
                key = tree.Root(rapi::HKEY_CLASSES_ROOT);
            else if (is("HKEY_USERS") || is("HKU"))
                key = tree.Root(rapi::HKEY_USERS);
            else
                return kNoRegistryKey;
        } else if (levels > kMaxRegistryKeyLevels || part.size() > kMaxRegistryKeyNameChars) {
            refused = true;
            return kNoRegistryKey;
        }
    }
    if (key == kNoRegistryKey)
        return kNoRegistryKey;
    levels = 0;
    for (QStringView part : path.tokenize(u'\\', Qt::SkipEmptyParts))
        if (levels++ > 0)
            key = tree.ChildOrAdd(key, part);
    return key;
}

void ReadValueLine(RegistryTree& tree, RegistryKey key, QStringView line) {
    qsizetype pos = 0;
    QString name;
    if (line.startsWith(u'@')) {
        pos = 1;
    } else {
        auto quoted = ReadQuoted(line, pos);
        if (!quoted)
            return;
        name = *quoted;
    }
    while (pos < line.size() && line[pos].isSpace())
        ++pos;
    if (pos >= line.size() || line[pos] != u'=')
        return;
    const QStringView rest = line.sliced(pos + 1).trimmed();
    if (rest == u"-") {
        tree.RemoveValue(key, name);
        return;
    }
    if (const auto value = ReadValueData(rest))
        tree.SetValue(key, name, value->type, value->data);
}

} // namespace

bool ParseRegistryFile(QByteArrayView bytes, RegistryTree& tree, qsizetype* refusedKeys) {
    if (refusedKeys)
        *refusedKeys = 0;
    ExportLines lines(bytes);
    QString line;
    bool more = lines.Next(line);
    while (more && line.trimmed().isEmpty())
        more = lines.Next(line);
    const QString header = line.trimmed();
    if (!more || (header != QLatin1String("Windows Registry Editor Version 5.00") &&
                  header != QLatin1String("REGEDIT4")))
        return false;

    RegistryKey current = kNoRegistryKey;
    QString next;
    while (lines.Next(line)) {
        line = line.trimmed();
        // Hex data continues over lines that end in a backslash.
        if (line.endsWith(u'\\') && line.contains(QLatin1String("=hex"), Qt::CaseInsensitive)) {
            while (line.endsWith(u'\\') && lines.Next(next)) {
                line.chop(1);
                line += QStringView(next).trimmed();
            }
        }
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.lastIndexOf(u']');
            const QStringView path =
                QStringView(line).sliced(1, close < 0 ? line.size() - 1 : close - 1);
            bool refused = false;
            current = (close < 0 || path.startsWith(u'-')) ? kNoRegistryKey
                                                           : OpenSection(tree, path, refused);
            if (refused && refusedKeys)
                ++*refusedKeys;
            continue;
        }
        if (current != kNoRegistryKey)
            ReadValueLine(tree, current, line);
    }
    return true;
}
