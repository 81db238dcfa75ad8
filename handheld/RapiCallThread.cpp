#include "handheld/RapiCallThread.h"

#include <QThread>

RapiCallThread::RapiCallThread(const RapiApi& api) : m_api(api) {}

// Only a thread that never started is ever destroyed.
RapiCallThread::~RapiCallThread() = default;

bool RapiCallThread::start() {
    m_thread.reset(QThread::create([this] { run(); }));
    m_thread->setObjectName(QStringLiteral("Remote API calls"));
    m_thread->start();
    return m_thread->isRunning();
}

void RapiCallThread::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return !m_tasks.empty(); });
        std::function<void()> task = std::move(m_tasks.front());
        m_tasks.pop_front();
        lock.unlock();
        task();
        lock.lock();
    }
}

// Called with the mutex held, the opening set to Waiting.
void RapiCallThread::askForSession() {
    m_tasks.push_back([this] {
        const rapi::HRESULT result = m_api.CeRapiInit();
        bool closeAgain = false;
        {
            std::lock_guard lock(m_mutex);
            if (m_abandoned) {
                // Nobody waits any more: a session that opened late is not used.
                m_opening = Opening::Idle;
                m_abandoned = false;
                closeAgain = result == 0;
            } else {
                m_opening = result == 0 ? Opening::Answered : Opening::Refused;
            }
            m_changed.notify_all();
        }
        if (closeAgain)
            m_api.CeRapiUninit();
    });
    m_changed.notify_all();
}

bool RapiCallThread::open(std::chrono::steady_clock::time_point deadline, std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    if (m_opening != Opening::Waiting) {
        m_opening = Opening::Waiting;
        askForSession();
    }
    // An earlier opening still pending is waited for like a new one.
    m_abandoned = false;
    if (!m_changed.wait_until(lock, stop, deadline,
                              [&] { return m_opening != Opening::Waiting; })) {
        m_abandoned = true;
        return false;
    }
    const bool answered = m_opening == Opening::Answered;
    m_opening = Opening::Idle;
    return answered;
}
