#include "handheld/RapiSession.h"

#include <algorithm>

#ifdef _WIN32
// Declared here rather than through <windows.h>, whose macros (MAX_PATH, ERROR_SUCCESS, ...)
// would clash with the names of the rapi namespace.
extern "C" __declspec(dllimport) unsigned long __stdcall WaitForSingleObject(void* handle,
                                                                             unsigned long ms);
#endif

namespace {

#ifdef _WIN32
// The desktop software's way: the call returns at once with an event that is waited on. Only a
// signalled event counts: a wait that failed says nothing about the handheld.
bool openWithEvent(const RapiApi& api, std::chrono::steady_clock::time_point deadline,
                   std::stop_token stop) {
    constexpr unsigned long kSignalled = 0;
    constexpr unsigned long kTimedOut = 0x102;
    constexpr auto kSlice = std::chrono::milliseconds(50); // how soon a stop is noticed
    RapiInitInfo init{sizeof(RapiInitInfo), nullptr, 0};
    if (api.CeRapiInitEx(&init) != 0 || !init.heRapiInit)
        return false;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const auto slice = std::clamp(left, std::chrono::milliseconds(0), kSlice);
        const unsigned long waited =
            WaitForSingleObject(init.heRapiInit, static_cast<unsigned long>(slice.count()));
        if (waited == kSignalled) {
            if (init.hrRapiInit == 0)
                return true;
            break;
        }
        if (waited != kTimedOut || left <= slice || stop.stop_requested())
            break;
    }
    api.CeRapiUninit();
    return false;
}
#endif

} // namespace

RapiSession::RapiSession(std::shared_ptr<RapiLibrary> library, RapiCallThread* thread)
    : m_library(std::move(library)), m_thread(thread) {}

RapiSession::~RapiSession() {
    close();
}

std::shared_ptr<RapiSession> RapiSession::open(std::shared_ptr<RapiLibrary> library,
                                               std::chrono::milliseconds wait,
                                               std::stop_token stop) {
    if (!library || stop.stop_requested())
        return nullptr;
    const auto deadline = std::chrono::steady_clock::now() + wait;
#ifdef _WIN32
    if (library->api().CeRapiInitEx) {
        if (!openWithEvent(library->api(), deadline, stop))
            return nullptr;
        return std::make_shared<RapiSession>(std::move(library), nullptr);
    }
#endif
    RapiCallThread* thread = library->callThread();
    if (!thread || !thread->open(deadline, std::move(stop)))
        return nullptr;
    return std::make_shared<RapiSession>(std::move(library), thread);
}

void RapiSession::close() {
    if (!m_open)
        return;
    m_open = false;
    const RapiApi& library = api();
    call([&] {
        for (const rapi::HKEY key : std::as_const(m_keys))
            library.CeRegCloseKey(key);
        library.CeRapiUninit();
    });
    m_keys.clear();
}
