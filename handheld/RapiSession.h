#pragma once

// One open session with the handheld through the remote API library. Every call of the session
// goes through call(): on the library's call thread when the session was opened there, else
// on the caller's thread. The registry keys the session opened and has not closed yet are
// closed, before CeRapiUninit, when it ends.

#include "handheld/RapiCallThread.h"
#include "handheld/RapiLibrary.h"

#include <QList>
#include <chrono>
#include <memory>
#include <stop_token>

class RapiSession {
public:
    // Opens a session, waiting at most wait for the handheld; null when it did not answer
    // within the wait, refused, or a stop was asked for first. A session that was half open is
    // closed again.
    static std::shared_ptr<RapiSession> open(std::shared_ptr<RapiLibrary> library,
                                             std::chrono::milliseconds wait, std::stop_token stop);
    ~RapiSession();
    RapiSession(const RapiSession&) = delete;
    RapiSession& operator=(const RapiSession&) = delete;

    // Ends the session; nothing more reaches the library through it.
    void close();
    bool isOpen() const { return m_open; }

    const RapiApi& api() const { return m_library->api(); }
    template <typename F> auto call(F&& function) {
        if (m_thread)
            return m_thread->invoke(std::forward<F>(function));
        return function();
    }

    // Bookkeeping of the keys open in this session.
    void keyOpened(rapi::HKEY key) { m_keys.append(key); }
    void keyClosed(rapi::HKEY key) { m_keys.removeOne(key); }

    // Use open().
    RapiSession(std::shared_ptr<RapiLibrary> library, RapiCallThread* thread);

private:
    std::shared_ptr<RapiLibrary> m_library;
    RapiCallThread* m_thread; // null for a session opened with CeRapiInitEx
    QList<rapi::HKEY> m_keys; // in the order they were opened
    bool m_open = true;
};
