#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CHighscoreCollection;
class CHighscoreSource;

inline constexpr const char* kTreeRootText = "Pocket PC/Smartphone Highscores";

// One entry line of the tree: its index in the source's table (hidden entries count, so
// indices may skip) and its text.
struct TreeEntry {
    std::uint32_t index = 0;
    std::string text;
    bool checked = true;
};

// One branch: a source with at least one shown entry, or a source whose table is empty.
struct TreeBranch {
    CHighscoreSource* source = nullptr;
    std::string title;
    std::int32_t gameNumber = 0;
    std::vector<TreeEntry> entries;
};

// The branches the tree shows for the collection's sources, in collection order. A source
// whose entries are all hidden gets no branch; a source with an empty table keeps one.
std::vector<TreeBranch> BuildHighscoreTree(CHighscoreCollection& collection);
