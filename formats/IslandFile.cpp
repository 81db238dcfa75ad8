#include "formats/IslandFile.h"

#include <QCryptographicHash>
#include <charconv>
#include <limits>

namespace {

constexpr char kHeaderMask = 0x6D;

// A field of the header: its unmasked bytes up to the first NUL.
QByteArray headerText(QByteArrayView file, qsizetype begin, qsizetype bytes) {
    QByteArray text;
    for (const char c : file.sliced(begin, bytes)) {
        if ((c ^ kHeaderMask) == 0)
            break;
        text.append(char(c ^ kHeaderMask));
    }
    return text;
}

} // namespace

std::optional<IslandHeader> readIslandHeader(QByteArrayView file) {
    if (file.size() < kIslandHeaderBytes)
        return std::nullopt;
    return IslandHeader{headerText(file, 12, 15), headerText(file, 28, 63)};
}

qint32 islandNumber(QStringView fileName) {
    qsizetype digits = fileName.size();
    while (digits > 0 && fileName[digits - 1] >= u'0' && fileName[digits - 1] <= u'9')
        --digits;
    if (digits == 0 || fileName[digits - 1] != u'.' || digits == fileName.size())
        return -1;
    const QByteArray number = fileName.sliced(digits).toLatin1();
    // Leading zeros only count in "0" itself.
    if (number.startsWith('0') && number.size() > 1 && number.count('0') == number.size())
        return -1;
    qint32 value = 0;
    const auto [end, error] = std::from_chars(number.begin(), number.end(), value);
    return error == std::errc() && end == number.end() ? value : -1;
}

QByteArray islandDigest(QByteArrayView file) {
    return QCryptographicHash::hash(file, QCryptographicHash::Md5).toHex();
}
