#include "app/LinkLabel.h"

#include <QDesktopServices>
#include <QFocusEvent>
#include <QUrl>

LinkLabel::LinkLabel(const QString& text, const QString& target, QWidget* parent)
    : QLabel(
          QStringLiteral("<a href=\"%1\">%2</a>").arg(target.toHtmlEscaped(), text.toHtmlEscaped()),
          parent) {
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(this, &QLabel::linkActivated, this,
            [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
}

void LinkLabel::focusInEvent(QFocusEvent* event) {
    QLabel::focusInEvent(event);
    // The label takes the focus first and its link only at the next Tab; one stop is enough.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        QLabel::focusNextPrevChild(event->reason() == Qt::TabFocusReason);
}
