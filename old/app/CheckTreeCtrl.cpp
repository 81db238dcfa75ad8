#include "app/CheckTreeCtrl.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {

// Gives the tree the style option its delegate paints an item with, so that clicks can be
// matched against what is drawn.
class CItemDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::initStyleOption;
    using QStyledItemDelegate::QStyledItemDelegate;
};

} // namespace

CCheckTreeCtrl::CCheckTreeCtrl(QWidget* parent, const std::vector<QIcon>* images)
    : QTreeWidget(parent), images(images), cursor(Qt::ArrowCursor) {
    setObjectName(QStringLiteral("highscoreTree"));
    setItemDelegate(new CItemDelegate(this));
    setColumnCount(1);
    header()->hide();
    setRootIsDecorated(false); // the root carries no expand button of its own
    setItemsExpandable(true);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(true);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    viewport()->setCursor(cursor);
}

void CCheckTreeCtrl::SetCursor(const QCursor& value) {
    cursor = value;
    viewport()->setCursor(cursor);
}

int CCheckTreeCtrl::GetStateImage(const QTreeWidgetItem* item) const {
    return item ? item->data(0, kStateImageRole).toInt() : STATE_NONE;
}

void CCheckTreeCtrl::SetStateImage(QTreeWidgetItem* item, int index) {
    if (!item)
        return;
    item->setData(0, kStateImageRole, index);
    QIcon icon;
    if (images && index > STATE_NONE && static_cast<std::size_t>(index) < images->size())
        icon = (*images)[static_cast<std::size_t>(index)];
    item->setIcon(0, icon);
}

bool CCheckTreeCtrl::IsChecked(const QTreeWidgetItem* item) const {
    return GetStateImage(item) != STATE_UNCHECKED;
}

void CCheckTreeCtrl::SetCheck(QTreeWidgetItem* item, bool on) {
    SetStateImage(item, on ? STATE_CHECKED : STATE_UNCHECKED);
}

bool CCheckTreeCtrl::IsEntryItem(const QTreeWidgetItem* item) {
    return item && item->parent() && item->parent()->parent();
}

QRect CCheckTreeCtrl::HitRect(const QTreeWidgetItem* item) const {
    const QModelIndex index = indexFromItem(item, 0);
    const QRect cell = visualRect(index);
    if (!index.isValid() || cell.isEmpty())
        return {};
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = cell;
    static_cast<CItemDelegate*>(itemDelegate())->initStyleOption(&option, index);

    QRect hit;
    if (option.features & QStyleOptionViewItem::HasDecoration)
        hit = style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, this);
    if (option.features & QStyleOptionViewItem::HasDisplay) {
        QRect text = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
        // The text cell runs to the column's edge; only the label itself takes clicks.
        const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
        text.setWidth(
            std::min(text.width(), option.fontMetrics.horizontalAdvance(option.text) + 2 * margin));
        hit = hit.isNull() ? text : hit.united(text);
    }
    return hit.intersected(cell);
}

void CCheckTreeCtrl::Toggle(QTreeWidgetItem* item) {
    const bool on = !IsChecked(item);
    SetCheck(item, on);
    Q_EMIT checkToggled(item, on);
}

void CCheckTreeCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint point = event->position().toPoint();
        QTreeWidgetItem* item = itemAt(point);
        if (IsEntryItem(item) && HitRect(item).contains(point))
            Toggle(item);
    }
    QTreeWidget::mouseReleaseEvent(event);
}

void CCheckTreeCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (QTreeWidgetItem* item = currentItem(); IsEntryItem(item)) {
            Toggle(item);
            event->accept();
            return;
        }
    }
    QTreeWidget::keyPressEvent(event);
}
