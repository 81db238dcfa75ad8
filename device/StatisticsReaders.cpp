#include "device/HighscoreCollection.h"

// The registry statistics and the puzzle game's file are not read yet: nothing is found.

int CHighscoreCollection::ReadSolitaireStatistics() {
    return 0;
}

int CHighscoreCollection::ReadPuzzleGameFile() {
    return 0;
}
