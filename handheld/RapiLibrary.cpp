#include "handheld/RapiLibrary.h"

#include "handheld/RapiCallThread.h"

#include <QHash>

namespace {

template <typename F> bool resolve(QLibrary& file, const char* name, F& function) {
    function = reinterpret_cast<F>(file.resolve(name));
    return function != nullptr;
}

// True when every function the program calls is there.
bool resolveAll(QLibrary& file, RapiApi& api) {
    bool ok = true;
#ifdef _WIN32
    resolve(file, "CeRapiInitEx", api.CeRapiInitEx); // absent from old releases
#endif
    resolve(file, "CeRapiInit", api.CeRapiInit);
    ok = (api.CeRapiInitEx || api.CeRapiInit) && ok;
    ok = resolve(file, "CeRapiUninit", api.CeRapiUninit) && ok;
    ok = resolve(file, "CeRegOpenKeyEx", api.CeRegOpenKeyEx) && ok;
    ok = resolve(file, "CeRegQueryValueEx", api.CeRegQueryValueEx) && ok;
    ok = resolve(file, "CeRegEnumValue", api.CeRegEnumValue) && ok;
    ok = resolve(file, "CeRegQueryInfoKey", api.CeRegQueryInfoKey) && ok;
    ok = resolve(file, "CeRegCloseKey", api.CeRegCloseKey) && ok;
    ok = resolve(file, "CeCreateFile", api.CeCreateFile) && ok;
    ok = resolve(file, "CeGetFileSize", api.CeGetFileSize) && ok;
    ok = resolve(file, "CeReadFile", api.CeReadFile) && ok;
    ok = resolve(file, "CeCloseHandle", api.CeCloseHandle) && ok;
    ok = resolve(file, "CeFindAllFiles", api.CeFindAllFiles) && ok;
    ok = resolve(file, "CeRapiFreeBuffer", api.CeRapiFreeBuffer) && ok;
    ok = resolve(file, "CeGetFileAttributes", api.CeGetFileAttributes) && ok;
    ok = resolve(file, "CeDeleteFile", api.CeDeleteFile) && ok;
    return ok;
}

} // namespace

std::shared_ptr<RapiLibrary> RapiLibrary::load(const QStringList& candidates) {
    // Never destroyed, not even at exit: an opening that never returned may still be inside.
    static auto* loadedMutex = new std::mutex;
    static auto* loaded = new QHash<QString, std::shared_ptr<RapiLibrary>>;
    std::lock_guard lock(*loadedMutex);
    for (const QString& candidate : candidates) {
        if (candidate.isEmpty())
            continue;
        if (const auto it = loaded->constFind(candidate); it != loaded->constEnd())
            return *it;
        auto library = std::make_shared<RapiLibrary>();
        library->m_file.setFileName(candidate);
        library->m_file.setLoadHints(QLibrary::PreventUnloadHint);
        if (!library->m_file.load())
            continue;
        // One that lacks a function stays mapped, unused, like every library once loaded.
        if (resolveAll(library->m_file, library->m_api)) {
            loaded->insert(candidate, library);
            return library;
        }
    }
    return nullptr;
}

QStringList RapiLibrary::platformNames() {
#ifdef _WIN32
    return {QStringLiteral("rapi.dll")};
#else
    return {QStringLiteral("libsynce.so.0"), QStringLiteral("librapi.so.2")};
#endif
}

RapiCallThread* RapiLibrary::callThread() {
    std::lock_guard lock(m_threadMutex);
    if (!m_callThread) {
        auto thread = std::make_unique<RapiCallThread>(m_api);
        if (thread->start())
            m_callThread = thread.release();
    }
    return m_callThread;
}
