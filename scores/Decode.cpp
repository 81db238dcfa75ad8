#include "scores/HighscoreSource.h"

// Decoding of the games' layouts comes with the decoders; until then nothing decodes.
bool CHighscoreSource::Decode() {
    table.Reset();
    data.SetPosition(0);
    return false;
}
