#pragma once

#include "scores/HighscoreTree.h"

#include <QCursor>
#include <QFrame>
#include <QIcon>
#include <QPixmap>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

class CCheckTreeCtrl;
class CHighscoreSource;
class CPublishRun;
class CScorvaneApp;
class QAbstractButton;
class QTreeWidgetItem;

// The hot spot of the welcome picture, relative to its top-left corner: the link text that
// starts a download. Right and bottom edges are exclusive.
inline constexpr int kHotSpotLeft = 148;
inline constexpr int kHotSpotTop = 214;
inline constexpr int kHotSpotRight = 298;
inline constexpr int kHotSpotBottom = 235;

// The main window's client view: the welcome picture until a download has found something,
// the highscore tree afterwards. It runs the one worker thread (Download or Publish) and
// handles its completion on the user-interface thread. The picture follows the palette; its
// link takes the keyboard focus too.
class CScoreView : public QFrame {
    Q_OBJECT
public:
    explicit CScoreView(CScorvaneApp* app, QWidget* parent = nullptr);
    ~CScoreView() override;

    // The tree; null while the welcome picture shows.
    CCheckTreeCtrl* Tree() const { return tree; }
    bool IsBusy() const { return worker.has_value(); }
    // A stop was asked for and the worker has not ended yet.
    bool IsStopping() const { return worker && worker->get_stop_token().stop_requested(); }

    // The welcome picture's place in the view, centred in the client area.
    QRect PictureRect() const;
    QRect HotSpotRect() const;
    QSize PictureSize() const;
    // The welcome picture's link for the keyboard, over the hot spot; hidden with the picture.
    QAbstractButton* HotSpotLink() const { return hotSpotLink; }

    // The state image index of a game number.
    int ImageForGame(std::int32_t game) const;

    // Commands.
    void StartDownload();
    void StartPublish();
    // Asks the running worker to stop: a download at its next step, keeping the old tree; a
    // publish at once, its upload under way counting as failed. Its completion says so.
    void StopWorker();
    void RunOptions();
    void ShowCommunityPage();
    void ShowIslandsPage();
    void ShowProductsPage();

    // Rebuilds the tree from branches; the tree is null afterwards when there are none.
    void RebuildTree(const std::vector<TreeBranch>& branches);

    // Reads the check boxes into each source's chosen entries and returns the sources with
    // at least one checked entry, in tree order.
    std::vector<CHighscoreSource*> ReadCheckedSources();
    // Each source of the tree, in tree order, with the record indices of its checked entries.
    std::vector<std::pair<CHighscoreSource*, std::vector<std::uint32_t>>> CheckedEntries() const;

    // The publish run from Publish until its completion has been handled; null otherwise.
    const CPublishRun* PublishRunInProgress() const { return publishRun.get(); }

    // Asks a running worker to stop, waits for it with no time limit and forgets it. The
    // completion that the worker may already have posted is then ignored.
    void JoinWorker();
    // The window is closing: the running worker is asked to stop, and nothing it reports is
    // shown. It is waited for when the view goes.
    void StopWorkerForClose();

    // The download's completion on this thread, once the worker is joined: the messages
    // and the new tree.
    void OnDownloadDone(int result);

    // Tests: waits for the worker thread to end, then handles what it posted.
    void FinishWorkerForTest();

Q_SIGNALS:
    // The worker started or ended, or the tree appeared or went: commands change state.
    void stateChanged();
    // What a running download is doing, for the status bar.
    void progress(const QString& text);
    // A download's completion has been handled (its messages were shown).
    void downloadFinished(int result);
    // A publish's completion has been handled (its messages were shown).
    void publishFinished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // Runs job on the worker thread, then done on this thread once the worker is joined.
    // False when a worker runs already.
    bool StartWorker(std::function<void(std::stop_token)> job, std::function<void()> done);
    void OnWorkerDone(const std::function<void()>& done);
    void ShowWebPage(const std::string& url);
    void UpdateCursor(const QPoint& point);
    void UpdateCursor();
    void DeleteTree();
    void OnPublishDone();

    CScorvaneApp* app;
    CCheckTreeCtrl* tree = nullptr;
    std::vector<QIcon> images;
    std::map<std::int32_t, int> gameImages;
    // Rendered when first painted, for the palette and pixel ratio of that time.
    QPixmap background;
    QAbstractButton* hotSpotLink = nullptr;
    std::optional<std::jthread> worker;
    // The window closed while the worker ran: its completion is not shown.
    bool dropCompletion = false;
    // The run the publish worker uploads; replaced only while no worker runs.
    std::unique_ptr<CPublishRun> publishRun;
    QCursor arrowCursor{Qt::ArrowCursor};
    QCursor busyCursor{Qt::BusyCursor};
    QCursor linkCursor;
};
