#include "app/ScoreView.h"

#include "app/Artwork.h"
#include "app/CheckTreeCtrl.h"
#include "app/MessageBox.h"
#include "app/ScorvaneApp.h"
#include "app/WebPages.h"
#include "device/TextCodec.h"
#include "publish/PublishRun.h"
#include "scores/HighscoreSource.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QStyleOptionFocusRect>
#include <QUrl>

namespace {

// Shows the wait cursor for the lifetime of the object.
class CWaitCursor {
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

// The welcome picture's link for the keyboard. The picture draws the link and the view takes
// its clicks; this holds the focus over it, shows the focus frame, and is clicked by Return,
// Enter or Space.
class CHotSpotLink final : public QAbstractButton {
public:
    explicit CHotSpotLink(QWidget* parent) : QAbstractButton(parent) {
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

CScoreView::CScoreView(CScorvaneApp* app, QWidget* parent) : QFrame(parent), app(app) {
    setObjectName(QStringLiteral("scoreView"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(arrowCursor);

    // Game number → state image index. Both paddle games share number 6.
    gameImages = {{0, STATE_GAME_FALLBACK},
                  {1, 4},
                  {4, 5},
                  {3, 6},
                  {5, 7},
                  {6, 8},
                  {2, 9},
                  {1001, 11},
                  {1002, 12},
                  {1003, 13},
                  {1004, 14}};
    for (std::int32_t game = 20; game <= 27; ++game)
        gameImages[game] = 10;

    linkCursor = LinkCursor();
    if (app)
        app->LoadSettings();

    hotSpotLink = new CHotSpotLink(this);
    connect(hotSpotLink, &QAbstractButton::clicked, this, &CScoreView::StartDownload);

    const int frame = frameWidth();
    setMinimumSize(PictureSize() + QSize(2 * frame, 2 * frame));
}

CScoreView::~CScoreView() {
    DeleteTree();
    JoinWorker();
}

QSize CScoreView::PictureSize() const {
    return kWelcomePictureSize;
}

QRect CScoreView::PictureRect() const {
    const QSize size = PictureSize();
    if (size.isEmpty())
        return {};
    const QRect client = contentsRect();
    // Integer division toward zero, also when the client area is smaller than the picture.
    const int left = (client.left() + client.left() + client.width() - size.width()) / 2;
    const int top = (client.top() + client.top() + client.height() - size.height()) / 2;
    return QRect(QPoint(left, top), size);
}

QRect CScoreView::HotSpotRect() const {
    const QRect picture = PictureRect();
    return QRect(picture.topLeft() + QPoint(kHotSpotLeft, kHotSpotTop),
                 QSize(kHotSpotRight - kHotSpotLeft, kHotSpotBottom - kHotSpotTop));
}

int CScoreView::ImageForGame(std::int32_t game) const {
    const auto it = gameImages.find(game);
    return it == gameImages.end() ? gameImages.at(0) : it->second;
}

void CScoreView::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event); // the frame
    if (tree)
        return;
    // Rendered here rather than at start-up, for the screen the window shows on.
    if (background.isNull() || background.devicePixelRatio() != devicePixelRatioF())
        background = WelcomePicture(devicePixelRatioF(), palette());
    QPainter painter(this);
    const QRect client = contentsRect();
    const QRect picture = PictureRect();
    painter.setClipRect(client);
    painter.setClipRegion(QRegion(client).subtracted(QRegion(picture)));
    painter.fillRect(client, palette().color(QPalette::Base));
    painter.setClipRect(client);
    painter.drawPixmap(picture.topLeft(), background);
}

void CScoreView::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    if (tree)
        tree->setGeometry(contentsRect());
    hotSpotLink->setGeometry(HotSpotRect());
}

void CScoreView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)
        background = QPixmap(); // drawn again in the new colours
    QFrame::changeEvent(event);
}

void CScoreView::UpdateCursor(const QPoint& point) {
    if (IsBusy())
        setCursor(busyCursor);
    else if (HotSpotRect().contains(point))
        setCursor(linkCursor);
    else
        setCursor(arrowCursor);
}

void CScoreView::UpdateCursor() {
    UpdateCursor(mapFromGlobal(QCursor::pos()));
}

void CScoreView::mouseMoveEvent(QMouseEvent* event) {
    UpdateCursor(event->position().toPoint());
    QFrame::mouseMoveEvent(event);
}

void CScoreView::leaveEvent(QEvent* event) {
    if (!IsBusy())
        setCursor(arrowCursor);
    QFrame::leaveEvent(event);
}

void CScoreView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !tree &&
        HotSpotRect().contains(event->position().toPoint()))
        StartDownload();
    QFrame::mouseReleaseEvent(event);
}

// --- The tree ---------------------------------------------------------------------------

void CScoreView::DeleteTree() {
    delete tree;
    tree = nullptr;
    hotSpotLink->show();
}

void CScoreView::RebuildTree(const std::vector<TreeBranch>& branches) {
    CWaitCursor wait;
    DeleteTree();

    if (images.empty())
        images = TreeStateImages(); // not before the first tree: they take time to load
    tree = new CCheckTreeCtrl(this, &images);
    tree->SetCursor(IsBusy() ? busyCursor : arrowCursor);
    tree->setGeometry(contentsRect());

    auto* root = new QTreeWidgetItem(tree, QStringList(QString::fromLatin1(kTreeRootText)));
    root->setData(0, CCheckTreeCtrl::kItemDataRole, QVariant::fromValue<quintptr>(0));
    tree->SetStateImage(root, STATE_NONE);

    for (const TreeBranch& branch : branches) {
        auto* item = new QTreeWidgetItem(root, QStringList(QStringFromNarrow(branch.title)));
        item->setData(0, CCheckTreeCtrl::kItemDataRole,
                      QVariant::fromValue(reinterpret_cast<quintptr>(branch.source)));
        tree->SetStateImage(item, ImageForGame(branch.gameNumber));
        for (const TreeEntry& entry : branch.entries) {
            auto* line = new QTreeWidgetItem(item, QStringList(QStringFromNarrow(entry.text)));
            line->setData(0, CCheckTreeCtrl::kItemDataRole, QVariant::fromValue(entry.index));
            tree->SetCheck(line, entry.checked);
        }
        item->setExpanded(true);
    }

    if (root->childCount() > 0) {
        root->setExpanded(true);
        tree->show();
        tree->setFocus();
        hotSpotLink->hide();
    } else {
        DeleteTree();
    }
    update();
    Q_EMIT stateChanged();
}

std::vector<std::pair<CHighscoreSource*, std::vector<std::uint32_t>>>
CScoreView::CheckedEntries() const {
    std::vector<std::pair<CHighscoreSource*, std::vector<std::uint32_t>>> sources;
    QTreeWidgetItem* root = tree ? tree->topLevelItem(0) : nullptr;
    if (!root)
        return sources;
    for (int i = 0; i < root->childCount(); ++i) {
        QTreeWidgetItem* item = root->child(i);
        auto* source = reinterpret_cast<CHighscoreSource*>(
            item->data(0, CCheckTreeCtrl::kItemDataRole).value<quintptr>());
        if (!source)
            continue;
        std::vector<std::uint32_t> checked;
        for (int j = 0; j < item->childCount(); ++j) {
            QTreeWidgetItem* entry = item->child(j);
            if (tree->IsChecked(entry))
                checked.push_back(entry->data(0, CCheckTreeCtrl::kItemDataRole).toUInt());
        }
        sources.emplace_back(source, std::move(checked));
    }
    return sources;
}

std::vector<CHighscoreSource*> CScoreView::ReadCheckedSources() {
    std::vector<CHighscoreSource*> selected;
    for (const auto& [source, checked] : CheckedEntries()) {
        source->ClearChosen();
        for (std::uint32_t index : checked)
            source->AddChosen(index);
        if (!checked.empty())
            selected.push_back(source);
    }
    return selected;
}

// --- Web pages --------------------------------------------------------------------------

void CScoreView::ShowWebPage(const std::string& url) {
    if (IsBusy())
        return;
    // Whether a browser opened is not checked, and no error is shown.
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

void CScoreView::ShowCommunityPage() {
    ShowWebPage(CommunityScoresPage());
}

void CScoreView::ShowIslandsPage() {
    ShowWebPage(IslandsScoresPage());
}

void CScoreView::ShowProductsPage() {
    ShowWebPage(ProductsPage());
}
