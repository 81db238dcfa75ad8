#include "server/HandheldText.h"

#include <QStringDecoder>

QString HandheldText(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder windows1252("windows-1252", QStringDecoder::Flag::Stateless);
    if (!windows1252.isValid()) // a Qt without ICU: Latin-1 is the nearest it has
        return QString::fromLatin1(bytes);
    return windows1252.decode(bytes);
}
