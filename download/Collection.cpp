#include "download/Collection.h"

QList<TreeBranch> highscoreTree(const Collection& collection) {
    QList<TreeBranch> branches;
    for (const std::shared_ptr<HighscoreSource>& source : collection.sources) {
        QList<SourceEntry> entries = source->entries();
        // Factory entries alone give no branch; a source with nothing at all keeps an empty one.
        if (entries.isEmpty() && !source->isEmpty())
            continue;
        branches.append({source, std::move(entries)});
    }
    return branches;
}
