#include "ui/HyperLink.h"

#include <QDesktopServices>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QUrl>

QFont LinkFont(QFont font) {
    font.setUnderline(true);
    return font;
}

CHyperLink::CHyperLink(const QString& caption, QWidget* parent)
    : QWidget(parent), caption(caption), logFont(font()) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAccessibleName(caption);
}

void CHyperLink::SetLinkFont(const QString& faceName, int height, bool bold, bool italic,
                             bool underline) {
    QFont chosen(faceName.left(31));
    chosen.setPixelSize(height > 0 ? height : 12);
    chosen.setWeight(bold ? QFont::Bold : QFont::Normal);
    chosen.setItalic(italic);
    chosen.setUnderline(underline);
    SetLogFont(chosen);
}

void CHyperLink::SetLogFont(const QFont& font) {
    logFont = font;
    FitToText();
    Redraw();
}

void CHyperLink::SetTextColor(const QColor& color) {
    textColor = color;
    Redraw();
}

void CHyperLink::SetCentering(bool horizontal, bool vertical) {
    centerHorizontally = horizontal;
    centerVertically = vertical;
    FitToText();
    Redraw();
}

void CHyperLink::SetUrl(const QString& target) {
    isLink = true;
    url = target;
    SetLinkCursor(true);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(GetTarget());
}

void CHyperLink::SetLinkCursor(bool handCursor) {
    if (handCursor)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void CHyperLink::SetText(const QString& text) {
    caption = text;
    setAccessibleName(text);
    FitToText();
    Redraw();
}

QString CHyperLink::GetTarget() const {
    if (!isLink)
        return QString();
    return url.isEmpty() ? caption : url;
}

void CHyperLink::OpenTarget() {
    const QString target = GetTarget();
    if (!target.isEmpty())
        QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

QSize CHyperLink::sizeHint() const {
    // Measured as it is drawn: "&&" shows one ampersand, a lone "&" none.
    const QFontMetrics metrics(logFont);
    const QSize text = metrics.size(Qt::TextSingleLine | Qt::TextShowMnemonic, caption);
    return QSize(text.width(), metrics.height());
}

void CHyperLink::FitToText() {
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    const QSize size = sizeHint();
    const QRect client = parent->rect();
    const int left =
        centerHorizontally ? (client.right() + 1 - size.width() - client.left()) / 2 : x();
    const int top =
        centerVertically ? (client.bottom() + 1 - size.height() - client.top()) / 2 : y();
    setGeometry(left, top, size.width(), size.height());
    setMinimumSize(size);
    updateGeometry();
}

void CHyperLink::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(logFont);
    painter.setPen(textColor.isValid()
                       ? textColor
                       : palette().color(isLink ? QPalette::Link : QPalette::WindowText));
    painter.drawText(
        rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic, caption);
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CHyperLink::Activate() {
    if (isLink)
        OpenTarget();
    else if (onClick)
        onClick(*this);
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Activate();
    QWidget::mouseReleaseEvent(event);
}

void CHyperLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Space) {
        Activate();
        return;
    }
    QWidget::keyPressEvent(event);
}
