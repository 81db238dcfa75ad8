#include "HighscoreWriters.h"

#include <QCryptographicHash>
#include <QStringList>

namespace writers {

namespace {

void PutU16(QByteArray& out, std::uint16_t value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>(value >> 8));
}

void PutU32(QByteArray& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void PutLength(QByteArray& out, std::uint32_t length, ArchiveLength form) {
    if (form == ArchiveLength::Shortest && length < 0xFF) {
        out.append(static_cast<char>(length));
        return;
    }
    out.append('\xFF');
    if (form != ArchiveLength::Dword && length < 0xFFFE) {
        PutU16(out, static_cast<std::uint16_t>(length));
        return;
    }
    PutU16(out, 0xFFFF);
    PutU32(out, length);
}

} // namespace

QByteArray LevelTableFile(const std::vector<LevelEntry>& entries) {
    QByteArray out;
    PutU32(out, static_cast<std::uint32_t>(entries.size()));
    for (const LevelEntry& entry : entries) {
        PutU32(out, static_cast<std::uint32_t>(entry.name.size()));
        for (const QChar c : entry.name)
            PutU16(out, c.unicode());
        PutU32(out, static_cast<std::uint32_t>(entry.score));
        PutU32(out, static_cast<std::uint32_t>(entry.level));
    }
    return out;
}

QByteArray ArchiveStringBytes(const std::u16string& chars, ArchiveChars form,
                              ArchiveLength length) {
    QByteArray out;
    if (form == ArchiveChars::Wide) {
        out.append('\xFF');
        PutU16(out, 0xFFFE);
    }
    PutLength(out, static_cast<std::uint32_t>(chars.size()), length);
    for (const char16_t c : chars) {
        if (form == ArchiveChars::Wide)
            PutU16(out, c);
        else
            out.append(static_cast<char>(c & 0xFF));
    }
    return out;
}

std::uint8_t KeyMask::Next(std::uint8_t byte) {
    if (key.size() < 2)
        return byte;
    const std::uint8_t masked = byte ^ static_cast<std::uint8_t>(key[cursor]);
    cursor = (cursor + 1) % (key.size() - 1);
    return masked;
}

std::u16string KeyMask::MaskedHexText(const QString& text) {
    static const char16_t digits[] = u"0123456789ABCDEF";
    std::u16string hex;
    for (const QChar c : text) {
        for (const std::uint8_t byte :
             {std::uint8_t(c.unicode() & 0xFF), std::uint8_t(c.unicode() >> 8)}) {
            const std::uint8_t masked = Next(byte);
            hex.push_back(digits[masked >> 4]);
            hex.push_back(digits[masked & 0xF]);
        }
    }
    return hex;
}

QByteArray KeyMask::MaskedValue(std::int32_t value) {
    QByteArray out;
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>(Next(static_cast<std::uint8_t>(bits >> (8 * i)))));
    return out;
}

QByteArray MaskedArchive(const char* key, const QString& header,
                         const std::vector<ArchiveEntry>& entries, ArchiveChars form) {
    KeyMask mask(key);
    QByteArray out = ArchiveStringBytes(mask.MaskedHexText(header), form);
    for (const ArchiveEntry& entry : entries) {
        out += ArchiveStringBytes(mask.MaskedHexText(entry.name), form);
        out += mask.MaskedValue(entry.value);
    }
    return out;
}

QByteArray SignedTableText(std::int64_t game, std::int64_t format, const std::string& title,
                           const std::vector<TextRecord>& records, bool sign,
                           const std::string& salt) {
    std::string text = std::to_string(game) + "|" + std::to_string(format) + "|" + title + "\n";
    for (const TextRecord& record : records)
        text += record.name + "|" + std::to_string(record.score) + "|" + record.extra + "\n";
    QByteArray out(text.data(), static_cast<qsizetype>(text.size()));
    if (sign) {
        QCryptographicHash md5(QCryptographicHash::Md5);
        md5.addData(out);
        md5.addData(QByteArray::fromStdString(salt));
        out += md5.result().toHex();
    }
    return out;
}

QByteArray PuzzleStatisticsFile(const std::array<ModeStats, 4>& modes) {
    constexpr qsizetype kModesOffset = 12672;
    constexpr qsizetype kModeBytes = 40;
    constexpr qsizetype kFileBytes = 13312;
    QByteArray out(kFileBytes, '\0');
    for (std::size_t m = 0; m < modes.size(); ++m) {
        QByteArray record;
        PutU32(record, modes[m].games);
        PutU32(record, modes[m].highest);
        PutU32(record, modes[m].sum);
        out.replace(kModesOffset + static_cast<qsizetype>(m) * kModeBytes, record.size(), record);
    }
    return out;
}

QByteArray Utf16z(const QString& text) {
    QByteArray out;
    for (const QChar c : text)
        PutU16(out, c.unicode());
    PutU16(out, 0);
    return out;
}

QString RegistryHex(const QByteArray& bytes) {
    QStringList parts;
    for (const char byte : bytes)
        parts << QStringLiteral("%1").arg(static_cast<unsigned char>(byte), 2, 16,
                                          QLatin1Char('0'));
    return QStringLiteral("hex:") + parts.join(u',');
}

QString RegistryString(const QString& text) {
    QString escaped = text;
    escaped.replace(u'\\', QLatin1String("\\\\")).replace(u'"', QLatin1String("\\\""));
    return u'"' + escaped + u'"';
}

QByteArray IslandFileBytes(const std::string& name, const std::string& id, const QByteArray& body) {
    QByteArray header(200, '\0');
    for (std::size_t i = 0; i < name.size() && i < 15; ++i)
        header[int(12 + i)] = name[i];
    for (std::size_t i = 0; i < id.size() && i < 63; ++i)
        header[int(28 + i)] = id[i];
    for (char& c : header)
        c = char(c ^ 0x6D);
    return header + body;
}

} // namespace writers
