#include "app/ScoreView.h"

#include "app/Artwork.h"
#include "app/HighscoreTree.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QStyleOptionFocusRect>

namespace {

// The welcome picture's link for the keyboard. The picture draws the link and the view takes
// its clicks; this holds the focus over it, shows the focus frame, and is clicked by Return,
// Enter or Space.
class HotSpotLink final : public QAbstractButton {
public:
    explicit HotSpotLink(QWidget* parent) : QAbstractButton(parent) {
        setObjectName(QStringLiteral("hotSpotLink"));
        setText(QStringLiteral("Download highscores"));
        setAccessibleName(text());
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        if (!(option.state & QStyle::State_HasFocus))
            return;
        QPainter painter(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            click();
        else
            QAbstractButton::keyPressEvent(event); // Space clicks when released
    }
};

} // namespace

ScoreView::ScoreView(QWidget* parent) : QFrame(parent), m_linkCursor(linkCursor()) {
    setObjectName(QStringLiteral("scoreView"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_link = new HotSpotLink(this);
    connect(m_link, &QAbstractButton::clicked, this, &ScoreView::downloadRequested);
    const int frame = frameWidth();
    setMinimumSize(kWelcomePictureSize + QSize(2 * frame, 2 * frame));
}

QRect ScoreView::pictureRect() const {
    const QRect client = contentsRect();
    // Integer division toward zero, also when the client area is smaller than the picture.
    const int left =
        (client.left() + client.left() + client.width() - kWelcomePictureSize.width()) / 2;
    const int top =
        (client.top() + client.top() + client.height() - kWelcomePictureSize.height()) / 2;
    return QRect(QPoint(left, top), kWelcomePictureSize);
}

QRect ScoreView::hotSpotRect() const {
    return kWelcomeHotSpot.translated(pictureRect().topLeft());
}

void ScoreView::showTree(const QList<TreeBranch>& branches) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
    delete m_tree;
    m_tree = nullptr;
    if (!branches.isEmpty()) {
        m_tree = new HighscoreTree(branches, this);
        m_tree->setGeometry(contentsRect());
        m_tree->viewport()->setCursor(m_busy ? Qt::BusyCursor : Qt::ArrowCursor);
        m_tree->show();
        m_tree->setFocus();
    }
    m_link->setVisible(!m_tree);
    update();
    Q_EMIT treeChanged();
}

void ScoreView::setBusy(bool busy) {
    m_busy = busy;
    if (m_tree)
        m_tree->viewport()->setCursor(busy ? Qt::BusyCursor : Qt::ArrowCursor);
    updateCursor(mapFromGlobal(QCursor::pos()));
}

void ScoreView::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event); // the frame
    if (m_tree)
        return;
    // Rendered here rather than at start-up, for the screen the window shows on.
    if (m_picture.isNull() || m_picture.devicePixelRatio() != devicePixelRatioF())
        m_picture = welcomePicture(devicePixelRatioF(), palette());
    QPainter painter(this);
    const QRect client = contentsRect();
    const QRect picture = pictureRect();
    painter.setClipRegion(QRegion(client).subtracted(QRegion(picture)));
    painter.fillRect(client, palette().color(QPalette::Base));
    painter.setClipRect(client);
    painter.drawPixmap(picture.topLeft(), m_picture);
}

void ScoreView::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    if (m_tree)
        m_tree->setGeometry(contentsRect());
    m_link->setGeometry(hotSpotRect());
}

void ScoreView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)
        m_picture = QPixmap(); // drawn again in the new colours
    QFrame::changeEvent(event);
}

void ScoreView::updateCursor(const QPoint& point) {
    if (m_busy)
        setCursor(Qt::BusyCursor);
    else if (!m_tree && hotSpotRect().contains(point))
        setCursor(m_linkCursor);
    else
        setCursor(Qt::ArrowCursor);
}

void ScoreView::mouseMoveEvent(QMouseEvent* event) {
    updateCursor(event->position().toPoint());
    QFrame::mouseMoveEvent(event);
}

void ScoreView::leaveEvent(QEvent* event) {
    if (!m_busy)
        setCursor(Qt::ArrowCursor);
    QFrame::leaveEvent(event);
}

void ScoreView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !m_tree &&
        hotSpotRect().contains(event->position().toPoint()))
        Q_EMIT downloadRequested();
    QFrame::mouseReleaseEvent(event);
}
