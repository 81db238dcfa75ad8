#include "handheld/RegistryFile.h"

#include <QStringDecoder>
#include <QtEndian>
#include <optional>

namespace {

// The value types an export spells out; others come as hex(type).
constexpr quint32 kTextType = 1;
constexpr quint32 kBytesType = 3;
constexpr quint32 kNumberType = 4;

// The lines of an export, decoded one at a time so that a large export is never held twice.
class ExportLines {
public:
    explicit ExportLines(QByteArrayView bytes) : m_bytes(bytes) {
        if (bytes.startsWith("\xFF\xFE")) {
            m_utf16 = QStringDecoder(QStringConverter::Utf16LE,
                                     QStringConverter::Flag::Stateless |
                                         QStringConverter::Flag::ConvertInitialBom);
            m_pos = 2;
        } else if (bytes.startsWith("\xEF\xBB\xBF")) {
            m_pos = 3;
        }
    }

    // The next line without its line feed; false after the last one.
    bool next(QString& line) {
        const bool utf16 = m_utf16.isValid();
        if (m_pos >= m_bytes.size() || (utf16 && m_pos + 1 >= m_bytes.size()))
            return false;
        qsizetype end = utf16 ? lineFeedUnit() : m_bytes.indexOf('\n', m_pos);
        if (end < 0)
            end = m_bytes.size() - (utf16 ? (m_bytes.size() - m_pos) % 2 : 0);
        const QByteArrayView slice = m_bytes.sliced(m_pos, end - m_pos);
        line = utf16 ? QString(m_utf16.decode(slice)) : QString::fromUtf8(slice);
        m_pos = end + (utf16 ? 2 : 1);
        return true;
    }

private:
    // Where the next UTF-16 line feed starts, or -1.
    qsizetype lineFeedUnit() const {
        for (qsizetype i = m_pos; i + 1 < m_bytes.size(); i += 2)
            if (m_bytes[i] == '\n' && m_bytes[i + 1] == '\0')
                return i;
        return -1;
    }

    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    QStringDecoder m_utf16;
};

struct ValueData {
    quint32 type = 0;
    QByteArray data;
};

QByteArray utf16Data(const QString& text) {
    QByteArray data((text.size() + 1) * 2, '\0');
    qToLittleEndian<quint16>(text.utf16(), text.size(), data.data());
    return data;
}

// Reads a quoted text starting at text[pos] == '"'; pos ends after the closing quote.
std::optional<QString> readQuoted(QStringView text, qsizetype& pos) {
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

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Comma-separated bytes of one or two hex digits; backslashes and blanks around them are
// ignored.
std::optional<QByteArray> readHexBytes(QStringView list) {
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
            const int digit = hexDigit(c);
            if (digit < 0 || blankAfterDigit || ++digits > 2)
                return std::nullopt;
            value = value * 16 + uint(digit);
        }
        if (digits > 0)
            data.append(static_cast<char>(value));
    }
    return data;
}

std::optional<ValueData> readValueData(QStringView rest) {
    if (rest.startsWith(u'"')) {
        qsizetype pos = 0;
        const auto text = readQuoted(rest, pos);
        if (!text || !rest.sliced(pos).trimmed().isEmpty())
            return std::nullopt;
        return ValueData{kTextType, utf16Data(*text)};
    }
    if (rest.startsWith(u"dword:", Qt::CaseInsensitive)) {
        const QStringView digits = rest.sliced(6).trimmed();
        bool ok = false;
        const uint number = digits.toUInt(&ok, 16);
        if (!ok || digits.isEmpty() || digits.size() > 8)
            return std::nullopt;
        QByteArray data(4, '\0');
        qToLittleEndian<quint32>(number, data.data());
        return ValueData{kNumberType, data};
    }
    if (rest.startsWith(u"hex:", Qt::CaseInsensitive)) {
        auto bytes = readHexBytes(rest.sliced(4));
        if (!bytes)
            return std::nullopt;
        return ValueData{kBytesType, std::move(*bytes)};
    }
    if (rest.startsWith(u"hex(", Qt::CaseInsensitive)) {
        const qsizetype close = rest.indexOf(u"):");
        if (close < 0)
            return std::nullopt;
        bool ok = false;
        const uint type = rest.sliced(4, close - 4).toUInt(&ok, 16);
        auto bytes = ok ? readHexBytes(rest.sliced(close + 2)) : std::nullopt;
        if (!bytes)
            return std::nullopt;
        return ValueData{type, std::move(*bytes)};
    }
    return std::nullopt;
}

std::optional<RegistryTree::Root> rootNamed(QStringView name) {
    const auto is = [&](const char* full, const char* shortName) {
        return name.compare(QLatin1String(full), Qt::CaseInsensitive) == 0 ||
               name.compare(QLatin1String(shortName), Qt::CaseInsensitive) == 0;
    };
    if (is("HKEY_LOCAL_MACHINE", "HKLM"))
        return RegistryTree::Root::LocalMachine;
    if (is("HKEY_CURRENT_USER", "HKCU"))
        return RegistryTree::Root::CurrentUser;
    if (is("HKEY_CLASSES_ROOT", "HKCR"))
        return RegistryTree::Root::ClassesRoot;
    if (is("HKEY_USERS", "HKU"))
        return RegistryTree::Root::Users;
    return std::nullopt;
}

// The key of a section's path, created as needed; kNoKey for an unknown root, and for a path
// beyond the handheld's limits (then refused is set and nothing is created).
RegistryTree::Key openSection(RegistryTree& tree, QStringView path, bool& refused) {
    refused = false;
    std::optional<RegistryTree::Root> root;
    qsizetype levels = -1;
    for (QStringView part : path.tokenize(u'\\', Qt::SkipEmptyParts)) {
        if (++levels == 0) {
            root = rootNamed(part.trimmed());
            if (!root)
                return RegistryTree::kNoKey;
        } else if (levels > kMaxRegistryKeyLevels || part.size() > kMaxRegistryKeyNameChars) {
            refused = true;
            return RegistryTree::kNoKey;
        }
    }
    if (!root)
        return RegistryTree::kNoKey;
    RegistryTree::Key key = RegistryTree::root(*root);
    levels = 0;
    for (QStringView part : path.tokenize(u'\\', Qt::SkipEmptyParts))
        if (levels++ > 0)
            key = tree.childOrAdd(key, part);
    return key;
}

void readValueLine(RegistryTree& tree, RegistryTree::Key key, QStringView line) {
    qsizetype pos = 0;
    QString name;
    if (line.startsWith(u'@')) {
        pos = 1;
    } else {
        auto quoted = readQuoted(line, pos);
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
        tree.removeValue(key, name);
        return;
    }
    if (const auto value = readValueData(rest))
        tree.setValue(key, name, value->type, value->data);
}

} // namespace

RegistryFileRead readRegistryFile(QByteArrayView bytes, RegistryTree& tree) {
    RegistryFileRead read;
    ExportLines lines(bytes);
    QString line;
    bool more = lines.next(line);
    while (more && line.trimmed().isEmpty())
        more = lines.next(line);
    const QString header = line.trimmed();
    if (!more || (header != QLatin1String("Windows Registry Editor Version 5.00") &&
                  header != QLatin1String("REGEDIT4")))
        return read;
    read.isExport = true;

    RegistryTree::Key current = RegistryTree::kNoKey;
    QString next;
    while (lines.next(line)) {
        line = line.trimmed();
        // Hex data continues over lines that end in a backslash.
        if (line.endsWith(u'\\') && line.contains(QLatin1String("=hex"), Qt::CaseInsensitive)) {
            while (line.endsWith(u'\\') && lines.next(next)) {
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
            current = (close < 0 || path.startsWith(u'-')) ? RegistryTree::kNoKey
                                                           : openSection(tree, path, refused);
            read.refusedKeys += refused ? 1 : 0;
            continue;
        }
        if (current != RegistryTree::kNoKey)
            readValueLine(tree, current, line);
    }
    return read;
}
