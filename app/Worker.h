#pragma once

// The one background job the window runs at a time, a download or a publish, on a thread of
// its own pool so that the window stays responsive. The job learns of a stop through its stop
// token; its completion runs on the user-interface thread once the job has ended.

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <functional>
#include <stop_token>

class Worker : public QObject {
    Q_OBJECT
public:
    explicit Worker(QObject* parent = nullptr);
    // Asks a running job to stop and waits for it; its completion does not run.
    ~Worker() override;

    bool isBusy() const { return m_busy; }
    // A stop was asked for and the job has not ended yet.
    bool isStopping() const { return m_busy && m_stop.stop_requested(); }

    // Runs job on the worker thread, then done on this object's thread. False when a job
    // runs already.
    bool start(std::function<void(std::stop_token)> job, std::function<void()> done);
    // Asks the running job to stop; its completion still runs and tells how it ended.
    void stop();
    // Asks the running job to stop and drops its completion (the window is closing).
    void abandon();

Q_SIGNALS:
    // A job started or ended, or a stop was asked for.
    void stateChanged();

private:
    void finished();

    std::stop_source m_stop;
    std::function<void()> m_done;
    bool m_busy = false;
    QFutureWatcher<void> m_watcher;
    // Declared last, so that it is destroyed first: its destructor waits for the job.
    QThreadPool m_pool;
};
