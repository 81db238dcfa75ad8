#include "scores/HighscoreTree.h"

#include "device/HighscoreCollection.h"
#include "scores/HighscoreSource.h"

std::vector<TreeBranch> BuildHighscoreTree(CHighscoreCollection& collection) {
    std::vector<TreeBranch> branches;
    for (const std::unique_ptr<CHighscoreSource>& owned : collection.sources) {
        CHighscoreSource* source = owned.get();
        if (!source)
            continue;
        TreeBranch branch;
        branch.source = source;
        branch.title = source->GetTitle();
        branch.gameNumber = source->GetGameNumber();
        if (source->FirstEntry()) {
            // Hidden entries take an index too, so an index always names a record.
            std::uint32_t index = 0;
            do {
                std::string text;
                if (source->GetEntryText(text))
                    branch.entries.push_back(TreeEntry{index, std::move(text), true});
                ++index;
            } while (source->NextEntry());
            if (branch.entries.empty())
                continue;
        }
        branches.push_back(std::move(branch));
    }
    return branches;
}
