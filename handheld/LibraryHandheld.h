#pragma once

// The real handheld, reached through the desktop's remote API library (see RapiLibrary.h),
// which is looked for at the first connect(): each candidate is tried in order, and one that
// does not load or lacks a function the program calls is skipped. With no usable library every
// connect() fails, as if no handheld were connected.
//
// Each operation makes exactly the remote calls, and the pauses, that the program has always
// made for it; the library's handles and buffers never leave this backend. Search results are
// checked before they are used: a search that returns no record array, more records than a
// folder can hold, or more than the address space can, counts as failed.

#include "handheld/Handheld.h"

#include <QStringList>

class RapiLibrary;
class RapiSession;

class LibraryHandheld final : public Handheld {
public:
    // candidates: file names or paths of the library, tried in order.
    // waitOverride: when set, replaces the wait that callers ask connect() for.
    explicit LibraryHandheld(QStringList candidates,
                             std::optional<std::chrono::milliseconds> waitOverride = {});
    ~LibraryHandheld() override;
    LibraryHandheld(const LibraryHandheld&) = delete;
    LibraryHandheld& operator=(const LibraryHandheld&) = delete;

    // The file of the library in use; empty until one was loaded.
    QString libraryFile() const;

    bool connect(std::chrono::milliseconds wait, std::stop_token stop = {}) override;
    void disconnect() override;

    std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const QString& path) override;
    std::optional<QByteArray> readFile(const QString& path) override;
    std::optional<QByteArray> readFileStart(const QString& path, qsizetype bytes) override;
    std::optional<QList<FolderEntry>> list(const QString& pattern, Listing listing) override;
    bool exists(const QString& path) override;
    void remove(const QString& path) override;
    void pause() override;

    // More records than this is no answer a handheld gives for one folder (it would take some
    // 600 MB); such a search fails before any of its records is looked at.
    static constexpr quint32 kMaxSearchRecords = 1u << 20;

private:
    QStringList m_candidates;
    std::optional<std::chrono::milliseconds> m_waitOverride;
    std::shared_ptr<RapiLibrary> m_library;
    std::shared_ptr<RapiSession> m_session; // null while none is open
};
