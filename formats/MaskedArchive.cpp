// The archives whose names and numbers are masked with a key string.
#include "formats/ArchiveReader.h"
#include "formats/DecoderSupport.h"
#include "formats/GameFiles.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int kTableEntries = 10;
constexpr int kTimedEntries = 3;
constexpr qint64 kWorstTime = 999;

QByteArrayView keyString(ArchiveKey key) {
    switch (key) {
    case ArchiveKey::Quilbit:
        return "{6B1E0A7D-3C58-4f2a-B741-0D9E6C3A58F2}";
    case ArchiveKey::Marbelo:
        return "{A94C2E17-5D03-4b6e-9E5A-73C1F08B24D6}";
    case ArchiveKey::Deminar:
        return "{2F7D91C4-E06B-4a38-8C1F-5B2A9E7D403E}";
    }
    Q_UNREACHABLE();
}

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Unmasks an archive in file order: every masked byte is combined by exclusive or with the
// key character at the cursor, which steps through all key characters but the last and then
// starts again.
class Unmasker {
public:
    Unmasker(QByteArrayView data, ArchiveKey key) : m_reader(data), m_key(keyString(key)) {}

    // The header is unmasked and dropped; it moves the key cursor on to the first entry.
    bool skipHeader() {
        const std::optional<QString> header = m_reader.readString();
        if (header)
            unmaskText(*header);
        return header.has_value();
    }

    // One masked name and its masked 32-bit value.
    std::optional<std::pair<QByteArray, qint32>> readEntry() {
        const std::optional<QString> name = m_reader.readString();
        const std::optional<quint32> value = m_reader.readU32();
        if (!name || !value)
            return std::nullopt;
        QByteArray text = unmaskText(*name);
        return std::pair(std::move(text), unmaskValue(*value));
    }

private:
    quint8 nextMask() {
        const quint8 mask = quint8(m_key[m_cursor]);
        m_cursor = (m_cursor + 1) % (m_key.size() - 1);
        return mask;
    }

    // Four bytes, least significant first.
    qint32 unmaskValue(quint32 masked) {
        quint32 value = 0;
        for (int i = 0; i < 4; ++i)
            value |= quint32(((masked >> (8 * i)) & 0xFF) ^ nextMask()) << (8 * i);
        return qint32(value);
    }

    // Pairs of hex digits, each a masked byte of UTF-16LE text. Each pair is read like "%2x":
    // a pair that does not start with a hex digit ends the text, and a pair whose second
    // character is no hex digit gives the first digit's value.
    QByteArray unmaskText(const QString& masked) {
        QByteArray bytes;
        for (qsizetype i = 0; i < masked.size(); i += 2) {
            int value = hexValue(masked[i]);
            if (value < 0)
                break;
            if (i + 1 < masked.size() && hexValue(masked[i + 1]) >= 0)
                value = value * 16 + hexValue(masked[i + 1]);
            bytes.append(char(quint8(value) ^ nextMask()));
        }
        if (bytes.size() % 2)
            bytes.append('\0');
        QString text(bytes.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(quint8(bytes[2 * i]) | quint8(bytes[2 * i + 1]) << 8);
        return localText(text);
    }

    ArchiveReader m_reader;
    QByteArrayView m_key;
    qsizetype m_cursor = 0;
};

} // namespace

std::optional<HighscoreTable> decodeMaskedArchive(QByteArrayView file, ArchiveKey key) {
    Unmasker archive(file, key);
    if (!archive.skipHeader())
        return std::nullopt;
    HighscoreTable table;
    for (int i = 0; i < kTableEntries; ++i) {
        auto entry = archive.readEntry();
        if (!entry)
            return std::nullopt;
        addDecodedRecord(table, {std::move(entry->first), entry->second, {}});
    }
    return table;
}

std::optional<HighscoreTable> decodeTimedArchive(QByteArrayView file, ArchiveKey key) {
    Unmasker archive(file, key);
    if (!archive.skipHeader())
        return std::nullopt;
    std::optional<std::pair<QByteArray, qint32>> entry;
    for (int i = 0; i < kTimedEntries; ++i)
        if (!(entry = archive.readEntry()))
            return std::nullopt;
    // Computed wide, so that a corrupt time can neither wrap nor overflow the score.
    const qint64 score =
        std::clamp<qint64>(kWorstTime - entry->second, 0, std::numeric_limits<qint32>::max());
    HighscoreTable table;
    addDecodedRecord(table, {std::move(entry->first), qint32(score),
                             "Time: " + QByteArray::number(entry->second)});
    return table;
}
