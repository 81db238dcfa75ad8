// The view's worker thread, which runs a download or a publish, and the Download command.
#include "app/CheckTreeCtrl.h"
#include "app/MessageBox.h"
#include "app/ScoreView.h"
#include "app/ScorvaneApp.h"
#include "device/DownloadJob.h"
#include "device/HighscoreCollection.h"
#include "device/TextCodec.h"

#include <QCoreApplication>

// --- The worker -------------------------------------------------------------------------

bool CScoreView::StartWorker(std::function<void(std::stop_token)> job, std::function<void()> done) {
    if (worker)
        return false;
    if (tree)
        tree->SetCursor(busyCursor);
    dropCompletion = false;
    worker.emplace([this, job = std::move(job), done = std::move(done)](std::stop_token stop) {
        job(std::move(stop));
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
        return; // joined meanwhile
    JoinWorker();
    if (tree)
        tree->SetCursor(arrowCursor);
    UpdateCursor();
    Q_EMIT stateChanged();
    if (!std::exchange(dropCompletion, false))
        done();
}

void CScoreView::StopWorker() {
    if (worker && worker->request_stop())
        Q_EMIT stateChanged();
}

void CScoreView::StopWorkerForClose() {
    if (!worker)
        return;
    dropCompletion = true;
    StopWorker();
}

void CScoreView::JoinWorker() {
    if (!worker)
        return;
    worker.reset(); // asks it to stop, then waits
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
        [owner, device, collection, result](std::stop_token stop) {
            *result = RunDownload(owner->connection, device, *collection, owner->sessionWaitMs,
                                  std::move(stop));
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
