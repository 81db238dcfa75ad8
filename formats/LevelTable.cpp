// The brick-breaker's level table file.
#include "formats/ArchiveReader.h"
#include "formats/DecoderSupport.h"
#include "formats/GameFiles.h"

std::optional<HighscoreTable> decodeLevelTable(QByteArrayView file) {
    ArchiveReader reader(file);
    const std::optional<quint32> count = reader.readU32();
    if (!count)
        return std::nullopt;
    HighscoreTable table;
    // A count of 0 or less (as a signed number) is an empty table.
    for (qint32 left = qint32(*count); left > 0; --left) {
        const std::optional<quint32> units = reader.readU32();
        const std::optional<QString> name = units ? reader.readUtf16(*units) : std::nullopt;
        const std::optional<quint32> score = reader.readU32();
        const std::optional<quint32> level = reader.readU32();
        if (!name || !score || !level)
            return std::nullopt;
        addDecodedRecord(table, {localText(*name), qint32(*score),
                                 "Level: " + QByteArray::number(qint32(*level))});
    }
    return table;
}
