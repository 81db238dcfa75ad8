// Tables made from two statistics values, with the handheld owner as the one player.
#include "formats/DecoderSupport.h"
#include "formats/GameFiles.h"

std::optional<HighscoreTable> decodeSolitaireStatistics(quint32 games, quint32 won,
                                                        const OwnerName& owner) {
    if (games == 0 && won == 0)
        return std::nullopt;
    HighscoreTable table;
    addDecodedRecord(table,
                     {owner(), qint32(won),
                      "Games: " + QByteArray::number(games) + ", won: " + QByteArray::number(won)});
    return table;
}

std::optional<HighscoreTable> decodeModeStatistics(quint32 score, quint32 games,
                                                   const OwnerName& owner) {
    if (score == 0 && games == 0)
        return std::nullopt;
    HighscoreTable table;
    addDecodedRecord(table, {owner(), qint32(score), "Games: " + QByteArray::number(games)});
    return table;
}
