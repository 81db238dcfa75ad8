#include "formats/UploadData.h"

#include <QtEndian>
#include <algorithm>
#include <charconv>

namespace {

void appendLe32(QByteArray& data, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    data.append(bytes, 4);
}

QByteArray islandsPrefix() {
    return QByteArray(kIslandsClientToken) + '\n' + kIslandsHeaderLine + '\n';
}

} // namespace

QByteArray chosenAsText(const QList<quint32>& chosen) {
    QByteArray text;
    for (const quint32 index : chosen) {
        if (!text.isEmpty())
            text += ',';
        text += QByteArray::number(qint32(index)); // as the sites have always read it
    }
    return text;
}

QByteArray tableUploadData(QByteArrayView tableText, const QList<quint32>& chosen,
                           QByteArrayView email) {
    QByteArray data = tableText.toByteArray() + '\n' + chosenAsText(chosen) + ':';
    return data.append(email);
}

QByteArray islandsUploadData(QByteArrayView email, QByteArrayView password,
                             const QList<QByteArray>& files) {
    QByteArray data = islandsPrefix();
    data.append(email).append(':').append(password).append('\n').append('\0');
    for (const QByteArray& file : files) {
        if (file.isEmpty())
            continue;
        appendLe32(data, quint32(file.size()));
        data += file;
    }
    appendLe32(data, 0);
    appendLe32(data, kIslandsEndMark);
    return data;
}

std::optional<TableUpload> parseTableUpload(QByteArrayView data) {
    // The table text ends before the last line feed; the e-mail address holds none.
    const qsizetype lineEnd = data.lastIndexOf('\n');
    if (lineEnd < 0)
        return std::nullopt;
    const QByteArrayView tail = data.sliced(lineEnd + 1);
    const qsizetype colon = tail.indexOf(':');
    if (colon < 0)
        return std::nullopt;
    TableUpload upload{data.first(lineEnd).toByteArray(), {}, tail.sliced(colon + 1).toByteArray()};
    const QByteArrayView list = tail.first(colon);
    if (list.isEmpty())
        return upload;
    for (const QByteArray& item : list.toByteArray().split(',')) {
        // Plain decimal numbers only: digits, at most nine of them.
        quint32 index = 0;
        const auto [end, error] = std::from_chars(item.begin(), item.end(), index);
        if (item.size() > 9 || error != std::errc() || end != item.end())
            return std::nullopt;
        upload.chosen.append(index);
    }
    return upload;
}

std::optional<IslandsUpload> parseIslandsUpload(QByteArrayView data) {
    if (!data.startsWith(islandsPrefix()))
        return std::nullopt;
    data = data.sliced(islandsPrefix().size());
    // The account line holds no NUL, so the first line feed followed by one ends it.
    const qsizetype accountEnd = data.indexOf(QByteArrayView("\n\0", 2));
    if (accountEnd < 0)
        return std::nullopt;
    const QByteArrayView account = data.first(accountEnd);
    const qsizetype colon = account.indexOf(':');
    if (colon < 0)
        return std::nullopt;
    IslandsUpload upload{
        account.first(colon).toByteArray(), account.sliced(colon + 1).toByteArray(), {}};
    data = data.sliced(accountEnd + 2);
    for (;;) {
        if (data.size() < 4)
            return std::nullopt;
        const quint32 count = qFromLittleEndian<quint32>(data.data());
        data = data.sliced(4);
        if (count == 0)
            break;
        if (count > quint64(data.size()))
            return std::nullopt;
        upload.files.append(data.first(count).toByteArray());
        data = data.sliced(count);
    }
    if (data.size() != 4 || qFromLittleEndian<quint32>(data.data()) != kIslandsEndMark)
        return std::nullopt;
    return upload;
}

QByteArray encodeBody(QByteArrayView data) {
    QByteArray text = QByteArray::fromRawData(data.data(), data.size()).toBase64();
    std::replace(text.begin(), text.end(), '+', '_');
    std::replace(text.begin(), text.end(), '/', '-');
    std::replace(text.begin(), text.end(), '=', '.');
    return text;
}

std::optional<QByteArray> decodeBody(QByteArrayView text) {
    QByteArray standard = text.toByteArray();
    std::replace(standard.begin(), standard.end(), '_', '+');
    std::replace(standard.begin(), standard.end(), '-', '/');
    std::replace(standard.begin(), standard.end(), '.', '=');
    auto decoded = QByteArray::fromBase64Encoding(std::move(standard),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    // Any other form of the same bytes (the standard alphabet's own characters, missing pads,
    // unused bits that are set) encodes back to a different text and is refused.
    if (!decoded || encodeBody(decoded.decoded) != text)
        return std::nullopt;
    return std::move(decoded.decoded);
}
