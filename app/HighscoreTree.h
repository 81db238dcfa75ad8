#pragma once

#include "download/Collection.h"

#include <QTreeWidget>

// The highscore tree: a fixed root, one branch per source with its game's icon, and one
// entry per shown record with a check box, checked at first. Clicking an entry's box or its
// label, or Space on it, toggles the box. Sources have no box of their own, and a box never
// changes another.
class HighscoreTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit HighscoreTree(const QList<TreeBranch>& branches, QWidget* parent = nullptr);

    struct Selection {
        std::shared_ptr<HighscoreSource> source;
        QList<quint32> checked; // the entries' indices in the source
    };
    // Every source of the tree, in tree order, with its checked entries.
    QList<Selection> selection() const;

    // The part of an entry's row whose click toggles it besides the box: the label itself.
    QRect labelRect(const QTreeWidgetItem* item) const;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QList<std::shared_ptr<HighscoreSource>> m_sources; // by branch
};
