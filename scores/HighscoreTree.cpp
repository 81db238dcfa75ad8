#include "scores/HighscoreTree.h"

#include "device/HighscoreCollection.h"

std::vector<TreeBranch> BuildHighscoreTree(CHighscoreCollection&) {
    return {};
}
