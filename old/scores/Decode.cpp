#include "scores/HighscoreSource.h"

#include "device/HighscoreCollection.h"
#include "device/TextCodec.h"
#include "scores/LevelTable.h"
#include "scores/SignedTable.h"
#include "scores/StatisticsDecoders.h"
#include "scores/XorKeyDecoder.h"

namespace {

// The Smartphone edition of the ball-alignment game keeps its table as signed table text.
constexpr const char* kMarbeloSmartphoneId = "marbelo sp";

bool IsPuzzleTable(std::int32_t game) {
    return game >= 20 && game <= 27;
}

} // namespace

bool CHighscoreSource::Decode() {
    table.Reset();
    data.SetPosition(0);
    const std::int32_t game = collection ? collection->GameNumberForId(name) : 0;

    bool decoded = false;
    switch (game) {
    case 1:
        decoded = DecodeLevelTable(data, table);
        break;
    case 2:
        decoded = XorKeyDecoder(kQuilbitArchiveKey).DecodeTable(data, table);
        break;
    case 3:
        decoded = CompareNoCase(name, kMarbeloSmartphoneId) == 0
                      ? ParseSignedTable(table, data)
                      : XorKeyDecoder(kMarbeloArchiveKey).DecodeTable(data, table);
        break;
    case 4:
        decoded = DecodeSolitaireStats(*this);
        break;
    case 5:
        decoded = TimeXorKeyDecoder(kDeminarArchiveKey).DecodeTable(data, table);
        break;
    case 6:
        decoded = XorKeyDecoder(kMarbeloArchiveKey).DecodeTable(data, table);
        break;
    default:
        if (IsPuzzleTable(game)) {
            decoded = DecodeModeStats(*this);
            break;
        }
        // A table of a game the catalogue does not know keeps its own header and digest.
        return ParseSignedTable(table, data);
    }
    if (!decoded)
        return false;

    const std::string displayName = DisplayNameForGame(game);
    table.title = displayName.empty() ? name : displayName;
    table.gameNumber = game;
    table.formatNumber = 1;
    table.SortAndTrim();
    return WriteSignedTable(table, data, true) && data.AppendByte(0);
}
