#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

// Bytes of the handheld as UTF-16LE text up to the first NUL (or to the end); a last odd byte
// is no character.
inline QString utf16Text(QByteArrayView bytes) {
    QStringDecoder decoder(QStringConverter::Utf16LE,
                           QStringConverter::Flag::Stateless |
                               QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes.first(bytes.size() & ~qsizetype(1)));
    const qsizetype end = text.indexOf(QChar(0));
    if (end >= 0)
        text.truncate(end);
    return text;
}
