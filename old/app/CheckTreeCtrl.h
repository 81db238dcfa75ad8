#pragma once

#include <QCursor>
#include <QIcon>
#include <QTreeWidget>
#include <vector>

// State image indexes of the tree's items.
enum StateImage : int {
    STATE_NONE = 0,          // the root: no image
    STATE_UNCHECKED = 1,     // entry, unchecked
    STATE_CHECKED = 2,       // entry, checked
    STATE_GAME_FALLBACK = 3, // a source whose game has no icon of its own
};

// The highscore tree: a fixed root, one item per highscore source with the game's icon, and
// one item per entry with a check box. The state image of an item stands left of its label;
// clicking an entry's box, icon or label (or pressing Space on it) toggles the box.
class CCheckTreeCtrl : public QTreeWidget {
    Q_OBJECT
public:
    // Item data: the source's address on source items, the record index on entry items.
    static constexpr int kItemDataRole = Qt::UserRole;
    static constexpr int kStateImageRole = Qt::UserRole + 1;

    // images: the state images by index; they must outlive the tree.
    CCheckTreeCtrl(QWidget* parent, const std::vector<QIcon>* images);

    // The cursor shown over the tree.
    void SetCursor(const QCursor& value);
    const QCursor& Cursor() const { return cursor; }

    int GetStateImage(const QTreeWidgetItem* item) const;
    void SetStateImage(QTreeWidgetItem* item, int index);
    // Checked unless the state image is exactly the empty box.
    bool IsChecked(const QTreeWidgetItem* item) const;
    void SetCheck(QTreeWidgetItem* item, bool on);
    // An entry sits two levels below the top.
    static bool IsEntryItem(const QTreeWidgetItem* item);

    // The part of an item that takes clicks: its state image and its label, in viewport
    // coordinates. Empty for an item that is not shown.
    QRect HitRect(const QTreeWidgetItem* item) const;

Q_SIGNALS:
    void checkToggled(QTreeWidgetItem* item, bool checked);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Toggle(QTreeWidgetItem* item);

    const std::vector<QIcon>* images;
    QCursor cursor;
};
