#include "device/HighscoreCollection.h"

// Announced new-highscores files and islands folders are not read yet: nothing is found.

int CHighscoreCollection::LoadNewHighscores(const std::string&) {
    return 0;
}

int CHighscoreCollection::LoadIslands(const std::string&) {
    return 0;
}
