#include "device/RegistryFile.h"

#include <QStringList>
#include <optional>

namespace {

QString Fold(const QString& name) {
    return name.toCaseFolded();
}

QString DecodeText(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE")) {
        const qsizetype units = (bytes.size() - 2) / 2;
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), units);
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    return QString::fromUtf8(bytes);
}

QByteArray Utf16Data(const QString& text) {
    QByteArray data;
    data.reserve((text.size() + 1) * 2);
    for (const QChar c : text) {
        data.append(static_cast<char>(c.unicode() & 0xFF));
        data.append(static_cast<char>(c.unicode() >> 8));
    }
    data.append('\0');
    data.append('\0');
    return data;
}

// Reads a quoted text starting at text[pos] == '"'; pos ends after the closing quote.
std::optional<QString> ReadQuoted(const QString& text, qsizetype& pos) {
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

std::optional<QByteArray> ReadHexBytes(QString list) {
    list.remove(u'\\');
    QByteArray data;
    const QStringList parts = list.split(u',', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const QString token = part.trimmed();
        if (token.isEmpty())
            continue;
        bool ok = false;
        const uint value = token.toUInt(&ok, 16);
        if (!ok || token.size() > 2 || value > 0xFF)
            return std::nullopt;
        data.append(static_cast<char>(value));
    }
    return data;
}

std::optional<RegistryValue> ReadValueData(const QString& rest) {
    RegistryValue value;
    if (rest.startsWith(u'"')) {
        qsizetype pos = 0;
        const auto text = ReadQuoted(rest, pos);
        if (!text || !rest.mid(pos).trimmed().isEmpty())
            return std::nullopt;
        value.type = rapi::REG_SZ;
        value.data = Utf16Data(*text);
        return value;
    }
    const QString lower = rest.toLower();
    if (lower.startsWith(QLatin1String("dword:"))) {
        const QString digits = rest.mid(6).trimmed();
        bool ok = false;
        const uint number = digits.toUInt(&ok, 16);
        if (!ok || digits.isEmpty() || digits.size() > 8)
            return std::nullopt;
        value.type = rapi::REG_DWORD;
        for (int i = 0; i < 4; ++i)
            value.data.append(static_cast<char>((number >> (8 * i)) & 0xFF));
        return value;
    }
    if (lower.startsWith(QLatin1String("hex:"))) {
        auto bytes = ReadHexBytes(rest.mid(4));
        if (!bytes)
            return std::nullopt;
        value.type = rapi::REG_BINARY;
        value.data = *bytes;
        return value;
    }
    if (lower.startsWith(QLatin1String("hex("))) {
        const qsizetype close = rest.indexOf(QLatin1String("):"));
        if (close < 0)
            return std::nullopt;
        bool ok = false;
        const uint type = rest.mid(4, close - 4).toUInt(&ok, 16);
        if (!ok)
            return std::nullopt;
        auto bytes = ReadHexBytes(rest.mid(close + 2));
        if (!bytes)
            return std::nullopt;
        value.type = type;
        value.data = *bytes;
        return value;
    }
    return std::nullopt;
}

RegistryKeyNode* OpenSection(RegistryTree& tree, const QString& path) {
    const QStringList parts = path.split(u'\\', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return nullptr;
    const QString root = parts.front().trimmed().toUpper();
    RegistryKeyNode* node = nullptr;
    if (root == QLatin1String("HKEY_LOCAL_MACHINE") || root == QLatin1String("HKLM"))
        node = &tree.localMachine;
    else if (root == QLatin1String("HKEY_CURRENT_USER") || root == QLatin1String("HKCU"))
        node = &tree.currentUser;
    else if (root == QLatin1String("HKEY_CLASSES_ROOT") || root == QLatin1String("HKCR"))
        node = &tree.classesRoot;
    else if (root == QLatin1String("HKEY_USERS") || root == QLatin1String("HKU"))
        node = &tree.users;
    else
        return nullptr;
    for (qsizetype i = 1; i < parts.size(); ++i)
        node = node->ChildOrAdd(parts[i]);
    return node;
}

void ReadValueLine(RegistryKeyNode& key, const QString& line) {
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
    const QString rest = line.mid(pos + 1).trimmed();
    if (rest == QLatin1String("-")) {
        key.RemoveValue(name);
        return;
    }
    auto value = ReadValueData(rest);
    if (!value)
        return;
    value->name = name;
    key.SetValue(std::move(*value));
}

} // namespace

RegistryKeyNode* RegistryKeyNode::Child(const QString& name) const {
    const auto it = children.find(Fold(name));
    return it == children.end() ? nullptr : it->second.get();
}

RegistryKeyNode* RegistryKeyNode::ChildOrAdd(const QString& name) {
    auto& slot = children[Fold(name)];
    if (!slot)
        slot = std::make_unique<RegistryKeyNode>();
    return slot.get();
}

const RegistryValue* RegistryKeyNode::Value(const QString& name) const {
    const auto it = valueIndex.constFind(Fold(name));
    return it == valueIndex.constEnd() ? nullptr : &values[*it];
}

void RegistryKeyNode::SetValue(RegistryValue value) {
    const QString folded = Fold(value.name);
    const auto it = valueIndex.constFind(folded);
    if (it != valueIndex.constEnd()) {
        values[*it] = std::move(value);
        return;
    }
    valueIndex.insert(folded, values.size());
    values.push_back(std::move(value));
}

void RegistryKeyNode::RemoveValue(const QString& name) {
    const auto it = valueIndex.constFind(Fold(name));
    if (it == valueIndex.constEnd())
        return;
    values.erase(values.begin() + static_cast<std::ptrdiff_t>(*it));
    valueIndex.clear();
    for (std::size_t i = 0; i < values.size(); ++i)
        valueIndex.insert(Fold(values[i].name), i);
}

RegistryKeyNode* RegistryTree::Root(rapi::HKEY key) {
    switch (key) {
    case rapi::HKEY_CLASSES_ROOT:
        return &classesRoot;
    case rapi::HKEY_CURRENT_USER:
        return &currentUser;
    case rapi::HKEY_LOCAL_MACHINE:
        return &localMachine;
    case rapi::HKEY_USERS:
        return &users;
    default:
        return nullptr;
    }
}

bool ParseRegistryFile(const QByteArray& bytes, RegistryTree& tree) {
    const QString text = DecodeText(bytes);
    const QStringList lines = text.split(u'\n');
    qsizetype i = 0;
    while (i < lines.size() && lines[i].trimmed().isEmpty())
        ++i;
    if (i >= lines.size())
        return false;
    const QString header = lines[i].trimmed();
    if (header != QLatin1String("Windows Registry Editor Version 5.00") &&
        header != QLatin1String("REGEDIT4"))
        return false;

    RegistryKeyNode* current = nullptr;
    for (++i; i < lines.size(); ++i) {
        QString line = lines[i].trimmed();
        // Hex data continues over lines that end in a backslash.
        while (line.endsWith(u'\\') && line.contains(QLatin1String("=hex"), Qt::CaseInsensitive) &&
               i + 1 < lines.size()) {
            line.chop(1);
            line += lines[++i].trimmed();
        }
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.lastIndexOf(u']');
            const QString path = line.mid(1, close < 0 ? -1 : close - 1);
            current = (close < 0 || path.startsWith(u'-')) ? nullptr : OpenSection(tree, path);
            continue;
        }
        if (current)
            ReadValueLine(*current, line);
    }
    return true;
}
