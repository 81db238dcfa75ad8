// From what was read for a source to the table the program keeps.
#include "formats/GameCatalogue.h"
#include "formats/GameFiles.h"
#include "formats/SignedTable.h"

#include <QtEndian>

namespace {

std::optional<HighscoreTable> decodeStatistics(qint32 game, QByteArrayView data,
                                               const OwnerName& owner) {
    if (data.size() < 8)
        return std::nullopt;
    const quint32 first = qFromLittleEndian<quint32>(data.data());
    const quint32 second = qFromLittleEndian<quint32>(data.data() + 4);
    return game == Game::Solvane ? decodeSolitaireStatistics(first, second, owner)
                                 : decodeModeStatistics(first, second, owner);
}

} // namespace

std::optional<DecodedTable> decodeGameData(QStringView id, QByteArrayView data,
                                           const OwnerName& owner) {
    const qint32 game = gameForId(id);
    // The decoders see the bytes followed by one NUL, as the program has always held a file
    // read from the handheld; a decoder may read that byte as the file's last.
    const QByteArray held = data.toByteArray() + '\0';
    std::optional<HighscoreTable> table;
    switch (game) {
    case Game::Vondrel:
        table = decodeLevelTable(held);
        break;
    case Game::Quilbit:
        table = decodeMaskedArchive(held, ArchiveKey::Quilbit);
        break;
    case Game::Marbelo:
        table = isMarbeloSmartphone(id) ? parseSignedTable(held)
                                        : decodeMaskedArchive(held, ArchiveKey::Marbelo);
        break;
    case Game::Deminar:
        table = decodeTimedArchive(held, ArchiveKey::Deminar);
        break;
    case Game::Courtwise:
        table = decodeMaskedArchive(held, ArchiveKey::Marbelo);
        break;
    default:
        if (isStatisticsGame(game)) {
            table = decodeStatistics(game, held, owner);
            break;
        }
        // A table of a game the catalogue does not know keeps its own header, digest and
        // bytes.
        if (auto own = parseSignedTable(data))
            return DecodedTable{std::move(*own), data.toByteArray()};
        return std::nullopt;
    }
    if (!table)
        return std::nullopt;
    table->title = gameTitle(game);
    table->game = game;
    table->format = 1;
    table->sortAndTrim();
    QByteArray text = writeSignedTable(*table);
    return DecodedTable{std::move(*table), std::move(text)};
}
