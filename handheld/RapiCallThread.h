#pragma once

// The thread that opens sessions with CeRapiInit and then makes every call of those sessions.
//
// Where the library offers only CeRapiInit, that call may block for as long as the connection
// service takes, and the library may keep its connection per thread. So the opening runs on a
// thread of its own, and every later call of the session runs on that same thread. When the
// wait runs out first (or a stop is asked for), the thread is left to finish: a session that
// opens after all is closed again at once, and an opening asked for in the meantime waits for
// that same answer instead of asking a second time.
//
// A plain task queue rather than an event loop: the thread must be able to sit in the
// library's opening call for ever, and outlive every object that used it.

#include "handheld/RapiLibrary.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <type_traits>

class QThread;

class RapiCallThread {
public:
    explicit RapiCallThread(const RapiApi& api);
    ~RapiCallThread();
    RapiCallThread(const RapiCallThread&) = delete;
    RapiCallThread& operator=(const RapiCallThread&) = delete;

    // Starts the thread; false when none could be started.
    bool start();

    // Opens a session: true when the library answered yes before the deadline and before a
    // stop was asked for.
    bool open(std::chrono::steady_clock::time_point deadline, std::stop_token stop);

    // Runs call on this thread and returns its result.
    template <typename F> auto invoke(F&& call) {
        using Result = decltype(call());
        std::conditional_t<std::is_void_v<Result>, int, Result> result{};
        bool done = false;
        std::unique_lock lock(m_mutex);
        m_tasks.push_back([&] {
            if constexpr (std::is_void_v<Result>)
                call();
            else
                result = call();
            std::lock_guard doneLock(m_mutex);
            done = true;
            m_changed.notify_all();
        });
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return done; });
        if constexpr (!std::is_void_v<Result>)
            return result;
    }

private:
    enum class Opening { Idle, Waiting, Answered, Refused };

    void run();
    void askForSession();

    const RapiApi& m_api;
    std::unique_ptr<QThread> m_thread;
    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::deque<std::function<void()>> m_tasks;
    Opening m_opening = Opening::Idle;
    bool m_abandoned = false; // nobody waits for the pending opening any more
};
