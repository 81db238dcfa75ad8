#include "app/HighscoreTree.h"

#include "app/Artwork.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {

// The item data of an entry: its index in the source's records (hidden ones count too).
constexpr int kIndexRole = Qt::UserRole;

// Lends the tree the style option its items are painted with, so that a click can be matched
// against what is drawn.
class ItemDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::initStyleOption;
    using QStyledItemDelegate::QStyledItemDelegate;
};

bool isEntry(const QTreeWidgetItem* item) {
    return item && item->parent() && item->parent()->parent();
}

} // namespace

HighscoreTree::HighscoreTree(const QList<TreeBranch>& branches, QWidget* parent)
    : QTreeWidget(parent) {
    setObjectName(QStringLiteral("highscoreTree"));
    setItemDelegate(new ItemDelegate(this));
    header()->hide();
    setRootIsDecorated(false); // the root has no expand button of its own
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFrameShape(QFrame::NoFrame);

    constexpr Qt::ItemFlags kPlain = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    auto* root = new QTreeWidgetItem(this, QStringList(QString::fromLatin1(kTreeRootText)));
    root->setFlags(kPlain);
    for (const TreeBranch& branch : branches) {
        auto* item = new QTreeWidgetItem(root, QStringList(branch.source->title()));
        item->setFlags(kPlain);
        item->setIcon(0, gameIcon(branch.source->game()));
        for (const SourceEntry& entry : branch.entries) {
            auto* line = new QTreeWidgetItem(item, QStringList(entry.text));
            line->setFlags(kPlain | Qt::ItemIsUserCheckable);
            line->setData(0, kIndexRole, entry.index);
            line->setCheckState(0, Qt::Checked);
        }
        m_sources.append(branch.source);
    }
    expandAll();
}

QList<HighscoreTree::Selection> HighscoreTree::selection() const {
    QList<Selection> selection;
    const QTreeWidgetItem* root = topLevelItem(0);
    for (int i = 0; i < root->childCount(); ++i) {
        Selection& source = selection.emplaceBack(Selection{m_sources[i], {}});
        const QTreeWidgetItem* branch = root->child(i);
        for (int j = 0; j < branch->childCount(); ++j) {
            const QTreeWidgetItem* entry = branch->child(j);
            if (entry->checkState(0) == Qt::Checked)
                source.checked.append(entry->data(0, kIndexRole).toUInt());
        }
    }
    return selection;
}

QRect HighscoreTree::labelRect(const QTreeWidgetItem* item) const {
    const QModelIndex index = indexFromItem(item, 0);
    const QRect cell = visualRect(index);
    if (!index.isValid() || cell.isEmpty())
        return {};
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = cell;
    static_cast<ItemDelegate*>(itemDelegate())->initStyleOption(&option, index);
    QRect text = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
    // The text cell runs to the column's edge; only the label itself takes clicks.
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    text.setWidth(
        std::min(text.width(), option.fontMetrics.horizontalAdvance(option.text) + 2 * margin));
    return text.intersected(cell);
}

void HighscoreTree::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint point = event->position().toPoint();
        QTreeWidgetItem* item = itemAt(point);
        if (isEntry(item) && labelRect(item).contains(point))
            item->setCheckState(0,
                                item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
    QTreeWidget::mouseReleaseEvent(event);
}
