#include "device/TextCodec.h"

#include <QByteArray>

std::u16string WideFromNarrow(std::string_view text) {
    const auto nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    return QStringFromNarrow(text).toStdU16String();
}

std::string NarrowFromWide(const char16_t* text, std::size_t maxUnits) {
    if (!text)
        return {};
    std::size_t n = 0;
    while (n < maxUnits && text[n] != u'\0')
        ++n;
    return NarrowFromQString(QString::fromUtf16(text, static_cast<qsizetype>(n)));
}

std::string NarrowFromWide(std::u16string_view text) {
    return NarrowFromWide(text.data(), text.size());
}

QString QStringFromNarrow(std::string_view text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::string NarrowFromQString(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

int CompareNoCase(std::string_view a, std::string_view b) {
    return QString::compare(QStringFromNarrow(a), QStringFromNarrow(b), Qt::CaseInsensitive);
}
