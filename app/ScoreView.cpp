#include "app/ScoreView.h"

#include "app/Artwork.h"
#include "app/CheckTreeCtrl.h"
#include "app/MessageBox.h"
#include "app/ScorvaneApp.h"
#include "app/WebPages.h"
#include "device/DownloadJob.h"
#include "device/HighscoreCollection.h"
#include "device/TextCodec.h"
#include "publish/PublishRun.h"
#include "scores/HighscoreSource.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
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
    images = TreeStateImages();
    background = WelcomePicture(devicePixelRatioF());

    const int frame = frameWidth();
    setMinimumSize(PictureSize() + QSize(2 * frame, 2 * frame));
}

CScoreView::~CScoreView() {
    DeleteTree();
    JoinWorker();
}

QSize CScoreView::PictureSize() const {
    return background.isNull() ? QSize() : background.deviceIndependentSize().toSize();
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
    QPainter painter(this);
    const QRect client = contentsRect();
    const QRect picture = PictureRect();
    painter.setClipRect(client);
    painter.setClipRegion(QRegion(client).subtracted(QRegion(picture)));
    painter.fillRect(client, Qt::white);
    painter.setClipRect(client);
    if (!picture.isEmpty())
        painter.drawPixmap(picture.topLeft(), background);
}

void CScoreView::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    if (tree)
        tree->setGeometry(contentsRect());
}

void CScoreView::UpdateCursor(const QPoint& point) {
    if (worker)
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
    if (!worker)
        setCursor(arrowCursor);
    QFrame::leaveEvent(event);
}

void CScoreView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !tree &&
        HotSpotRect().contains(event->position().toPoint()))
        StartDownload();
    QFrame::mouseReleaseEvent(event);
}

// --- The worker -------------------------------------------------------------------------

bool CScoreView::StartWorker(std::function<void()> job, std::function<void()> done) {
    if (worker)
        return false;
    if (tree)
        tree->SetCursor(busyCursor);
    worker = std::make_unique<std::thread>([this, job = std::move(job), done = std::move(done)] {
        job();
        // Handed to the user-interface thread; dropped if the view is gone by then.
        QMetaObject::invokeMethod(
            this, [this, done] { OnWorkerDone(done); }, Qt::QueuedConnection);
    });
    setCursor(busyCursor);
    Q_EMIT stateChanged();
    return true;
}

void CScoreView::OnWorkerDone(const std::function<void()>& done) {
    if (!worker)
        return; // the window closed meanwhile, and the worker was joined then
    JoinWorker();
    if (tree)
        tree->SetCursor(arrowCursor);
    UpdateCursor();
    Q_EMIT stateChanged();
    done();
}

void CScoreView::JoinWorker() {
    if (!worker)
        return;
    if (worker->joinable())
        worker->join();
    worker.reset();
    if (app)
        app->collection.progress = nullptr;
}

void CScoreView::FinishWorkerForTest() {
    if (worker && worker->joinable())
        worker->join();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

// --- Download ---------------------------------------------------------------------------

void CScoreView::StartDownload() {
    if (worker || !app)
        return;
    IRapiDevice* device = app->PrepareDevice();
    CHighscoreCollection* collection = &app->collection;
    collection->progress = [this](const std::string& what) {
        QMetaObject::invokeMethod(
            this, [this, text = QStringFromNarrow(what)] { Q_EMIT progress(text); },
            Qt::QueuedConnection);
    };
    auto result = std::make_shared<int>(DOWNLOAD_NO_DEVICE);
    CScorvaneApp* owner = app;
    StartWorker(
        [owner, device, collection, result] {
            *result = RunDownload(owner->connection, device, *collection, owner->sessionWaitMs);
        },
        [this, result] { OnDownloadDone(*result); });
    Q_EMIT progress(QStringLiteral("Connecting to the mobile device..."));
}

void CScoreView::OnDownloadDone(int result) {
    CHighscoreCollection& collection = app->collection;
    if (result == DOWNLOAD_OK) {
        const std::vector<TreeBranch> branches = BuildHighscoreTree(collection);
        std::vector<std::string> messages = DownloadMessages(result, collection, !branches.empty());
        // The scan's notice comes before the new tree, the other texts after it.
        std::size_t next = 0;
        if (!collection.scanMessage.empty() && !messages.empty())
            MessageBox::Show(this, messages[next++]);
        RebuildTree(branches);
        for (; next < messages.size(); ++next)
            MessageBox::Show(this, messages[next]);
    } else {
        if (result == DOWNLOAD_SCAN_FAILED && tree) {
            // The scan may have discarded the sources the old tree points at: show what
            // the collection holds now instead.
            RebuildTree(BuildHighscoreTree(collection));
        }
        for (const std::string& text : DownloadMessages(result, collection, tree != nullptr))
            MessageBox::Show(this, text);
    }
    Q_EMIT downloadFinished(result);
}

// --- The tree ---------------------------------------------------------------------------

void CScoreView::DeleteTree() {
    delete tree;
    tree = nullptr;
}

void CScoreView::RebuildTree(const std::vector<TreeBranch>& branches) {
    CWaitCursor wait;
    DeleteTree();

    tree = new CCheckTreeCtrl(this, &images);
    tree->SetCursor(worker ? busyCursor : arrowCursor);
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
    if (worker)
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
