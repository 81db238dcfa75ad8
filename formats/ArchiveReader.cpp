#include "formats/ArchiveReader.h"

#include <QIODevice>
#include <QtEndian>

ArchiveReader::ArchiveReader(QByteArrayView data)
    : m_data(QByteArray::fromRawData(data.data(), data.size())), m_stream(m_data) {
    m_stream.setByteOrder(QDataStream::LittleEndian);
}

template <typename T> std::optional<T> ArchiveReader::read() {
    T value = 0;
    m_stream >> value;
    if (m_stream.status() != QDataStream::Ok)
        return std::nullopt;
    return value;
}

std::optional<quint32> ArchiveReader::readU32() {
    return read<quint32>();
}

std::optional<QByteArray> ArchiveReader::readBytes(qint64 n) {
    if (m_stream.status() != QDataStream::Ok || n > m_stream.device()->bytesAvailable()) {
        m_stream.setStatus(QDataStream::ReadPastEnd);
        return std::nullopt;
    }
    QByteArray bytes(n, Qt::Uninitialized);
    m_stream.readRawData(bytes.data(), int(n));
    return bytes;
}

std::optional<QString> ArchiveReader::readUtf16(quint32 units) {
    const std::optional<QByteArray> bytes = readBytes(qint64(units) * 2);
    if (!bytes)
        return std::nullopt;
    QString text(units, Qt::Uninitialized);
    qFromLittleEndian<quint16>(bytes->constData(), units, text.data());
    return text;
}

std::optional<QString> ArchiveReader::readString() {
    bool wide = false;
    std::optional<quint32> length = read<quint8>();
    if (length == 0xFF) {
        std::optional<quint16> word = read<quint16>();
        if (word == 0xFFFE) {
            wide = true;
            length = read<quint8>();
            if (length == 0xFF)
                word = read<quint16>();
        }
        if (length == 0xFF) {
            if (!word)
                return std::nullopt;
            length = *word < 0xFFFF ? std::optional<quint32>(*word) : readU32();
        }
    }
    if (!length)
        return std::nullopt;
    if (wide)
        return readUtf16(*length);
    const std::optional<QByteArray> bytes = readBytes(*length);
    return bytes ? std::optional<QString>(QString::fromLatin1(*bytes)) : std::nullopt;
}
