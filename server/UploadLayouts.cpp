#include "server/UploadLayouts.h"

#include "server/ProgramCode.h"

#include <QList>
#include <QtEndian>
#include <algorithm>

std::optional<TableUpload> ReadTableUpload(QByteArrayView data) {
    const qsizetype lineEnd = data.lastIndexOf('\n');
    if (lineEnd < 0)
        return std::nullopt;
    const QByteArrayView tail = data.sliced(lineEnd + 1);
    const qsizetype colon = tail.indexOf(':');
    if (colon < 0)
        return std::nullopt;
    TableUpload upload;
    upload.tableText = data.first(lineEnd).toByteArray();
    upload.email = tail.sliced(colon + 1).toByteArray();
    const QByteArrayView list = tail.first(colon);
    if (list.isEmpty())
        return upload;
    for (const QByteArray& item : list.toByteArray().split(',')) {
        const bool digits =
            !item.isEmpty() && item.size() <= 9 &&
            std::all_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!digits)
            return std::nullopt;
        upload.chosen.push_back(item.toInt());
    }
    return upload;
}

std::optional<IslandsUpload> ReadIslandsUpload(QByteArrayView data) {
    const QByteArray prefix =
        programcode::IslandsClientToken() + '\n' + programcode::IslandsHeaderText() + '\n';
    if (!data.startsWith(prefix))
        return std::nullopt;
    data = data.sliced(prefix.size());
    // The account line holds no zero byte, so the first line feed and zero byte end it.
    const qsizetype accountEnd = data.indexOf(QByteArrayView("\n\0", 2));
    if (accountEnd < 0)
        return std::nullopt;
    const QByteArrayView account = data.first(accountEnd);
    const qsizetype colon = account.indexOf(':');
    if (colon < 0)
        return std::nullopt;
    IslandsUpload upload;
    upload.email = account.first(colon).toByteArray();
    upload.password = account.sliced(colon + 1).toByteArray();
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
        upload.islands.push_back(data.first(qsizetype(count)).toByteArray());
        data = data.sliced(qsizetype(count));
    }
    if (data.size() != 4 ||
        qFromLittleEndian<quint32>(data.data()) != programcode::IslandsEndMark())
        return std::nullopt;
    return upload;
}
