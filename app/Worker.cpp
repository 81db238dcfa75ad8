#include "app/Worker.h"

#include <QPromise>
#include <memory>

Worker::Worker(QObject* parent) : QObject(parent) {
    m_pool.setMaxThreadCount(1);
    connect(&m_watcher, &QFutureWatcher<void>::finished, this, &Worker::finished);
}

Worker::~Worker() {
    m_done = nullptr;
    m_stop.request_stop();
    m_pool.waitForDone();
}

bool Worker::start(std::function<void(std::stop_token)> job, std::function<void()> done) {
    if (m_busy)
        return false;
    m_busy = true;
    m_stop = std::stop_source();
    m_done = std::move(done);
    // QThreadPool takes copyable work only; the promise is shared with it.
    auto promise = std::make_shared<QPromise<void>>();
    m_watcher.setFuture(promise->future());
    promise->start();
    m_pool.start([promise, job = std::move(job), stop = m_stop.get_token()] {
        job(stop);
        promise->finish();
    });
    Q_EMIT stateChanged();
    return true;
}

void Worker::stop() {
    if (m_busy && m_stop.request_stop())
        Q_EMIT stateChanged();
}

void Worker::abandon() {
    m_done = nullptr;
    stop();
}

void Worker::finished() {
    m_busy = false;
    const std::function<void()> done = std::exchange(m_done, nullptr);
    Q_EMIT stateChanged();
    if (done)
        done();
}
