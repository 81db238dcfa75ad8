#pragma once

// The window's two jobs, Download and Publish, and the Options dialog they share: each job
// runs on the worker, one at a time, and its completion shows its messages over the view and
// (for a download) the new tree in it.

#include "app/Worker.h"
#include "profile/IslandMarks.h"
#include "profile/Settings.h"

#include <QObject>
#include <functional>
#include <memory>

class Handheld;
class ProfileStore;
class PublishRun;
class ScoreView;
struct DownloadOutcome;

class Workflow : public QObject {
    Q_OBJECT
public:
    // Makes the backend for a download: the device image in the folder, or the connected
    // handheld when the folder is empty.
    using HandheldFactory = std::function<std::unique_ptr<Handheld>(const QString& imageFolder)>;

    // Reads the settings from profile.
    Workflow(ScoreView* view, ProfileStore& profile, HandheldFactory handhelds,
             QObject* parent = nullptr);
    // Stops a running job and waits for it; nothing it reports is shown.
    ~Workflow() override;

    bool isBusy() const { return m_worker.isBusy(); }
    bool isStopping() const { return m_worker.isStopping(); }

    // The device image that downloads read; empty for the connected handheld.
    const QString& imageFolder() const { return m_imageFolder; }
    void setImageFolder(const QString& folder) { m_imageFolder = folder; }

    // Each does nothing while a job runs; Publish also needs the tree.
    void download();
    void publish();
    // Asks the running job to stop: a download at its next step, keeping the old tree; a
    // publish at once, its upload under way counting as failed. Its completion says so.
    void stop();
    // The window is closing: the running job is asked to stop and nothing it reports is shown.
    void abandon();
    // The Options dialog of the menu. It stays available while a publish runs, which works on
    // a copy of the settings.
    void runOptions();

Q_SIGNALS:
    // A job started or ended, or a stop was asked for.
    void stateChanged();
    // What a running job does now, for the status bar.
    void progress(const QString& text);
    // A job's completion has been handled: its messages were shown.
    void downloadFinished();
    void publishFinished();

private:
    void downloadDone(const DownloadOutcome& outcome);
    void publishDone(const PublishRun& run);

    ScoreView* m_view;
    ProfileStore& m_profile;
    IslandMarks m_marks;
    HandheldFactory m_handhelds;
    // The backend of the last download; replaced only while no job runs.
    std::unique_ptr<Handheld> m_handheld;
    Settings m_settings;
    QString m_imageFolder;
    // Declared last, so that it is destroyed first: it waits for a job that uses the above.
    Worker m_worker;
};
