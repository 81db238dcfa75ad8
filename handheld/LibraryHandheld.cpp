#include "handheld/LibraryHandheld.h"

#include "handheld/LibraryRegistryKey.h"
#include "handheld/RapiLibrary.h"
#include "handheld/RapiSession.h"

#include <QThread>
#include <algorithm>

using namespace rapi;

namespace {

const WCHAR* wide(const QString& text) {
    return reinterpret_cast<const WCHAR*>(text.utf16());
}

template <typename N> N fromBits(std::uintptr_t bits) {
    if constexpr (std::is_pointer_v<N>)
        return reinterpret_cast<N>(bits);
    else
        return static_cast<N>(bits);
}

// The predefined keys are the same 32-bit values everywhere; as Windows pointers they are
// sign-extended.
HKEY nativeRoot(RegistryRoot root) {
    const DWORD value = root == RegistryRoot::CurrentUser ? kCurrentUser : kLocalMachine;
    return fromBits<HKEY>(static_cast<std::uintptr_t>(std::intptr_t(static_cast<LONG>(value))));
}

const HANDLE kInvalidHandle = fromBits<HANDLE>(~std::uintptr_t{0}); // all bits set

DWORD searchFlags(Listing listing) {
    switch (listing) {
    case Listing::Folders:
        return FAF_FOLDERS_ONLY | FAF_NAME;
    case Listing::Cards:
        return FAF_FOLDERS_ONLY | FAF_ATTRIB_CHILDREN | FAF_NAME | FAF_ATTRIBUTES;
    case Listing::Files:
        break;
    }
    return FAF_NAME | FAF_ATTRIBUTES;
}

// Whether count records from array on fit in the address space at all.
bool fitsInMemory(const CE_FIND_DATA* array, DWORD count) {
    const auto address = reinterpret_cast<std::uintptr_t>(array);
    return count <= (UINTPTR_MAX - address) / sizeof(CE_FIND_DATA);
}

FolderEntry entryOf(const CE_FIND_DATA& record, Listing listing) {
    // A name always ends inside its record.
    const auto end = std::find(record.cFileName, record.cFileName + MAX_PATH - 1, u'\0');
    return {QString::fromUtf16(record.cFileName, end - record.cFileName),
            listing == Listing::Folders || (record.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY),
            listing == Listing::Cards && (record.dwFileAttributes & FILE_ATTRIBUTE_TEMPORARY)};
}

} // namespace

LibraryHandheld::LibraryHandheld(QStringList candidates,
                                 std::optional<std::chrono::milliseconds> waitOverride)
    : m_candidates(std::move(candidates)), m_waitOverride(waitOverride) {}

// An opening still pending was given up when its wait ran out: the next backend over the same
// library takes it over, or it is closed again when it arrives.
LibraryHandheld::~LibraryHandheld() {
    disconnect();
}

QString LibraryHandheld::libraryFile() const {
    return m_library ? m_library->fileName() : QString();
}

bool LibraryHandheld::connect(std::chrono::milliseconds wait, std::stop_token stop) {
    disconnect();
    if (stop.stop_requested())
        return false;
    if (!m_library)
        m_library = RapiLibrary::load(m_candidates);
    m_session = RapiSession::open(m_library, m_waitOverride.value_or(wait), std::move(stop));
    return m_session != nullptr;
}

void LibraryHandheld::disconnect() {
    if (m_session)
        m_session->close();
    m_session.reset();
}

std::unique_ptr<RegistryKey> LibraryHandheld::openKey(RegistryRoot root, const QString& path) {
    if (!m_session)
        return nullptr;
    HKEY opened{};
    if (m_session->call([&] {
            return m_session->api().CeRegOpenKeyEx(nativeRoot(root), wide(path), 0, KEY_ALL_ACCESS,
                                                   &opened);
        }) != ERROR_SUCCESS)
        return nullptr;
    m_session->keyOpened(opened);
    return std::make_unique<LibraryRegistryKey>(m_session, opened);
}

std::optional<QByteArray> LibraryHandheld::readFile(const QString& path) {
    const auto session = m_session;
    const HANDLE file = session ? session->call([&] {
        return session->api().CeCreateFile(wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, HANDLE{});
    })
                                : kInvalidHandle;
    pause();
    if (file == kInvalidHandle)
        return std::nullopt;
    const RapiApi& api = session->api();
    DWORD sizeHigh = 0;
    const DWORD size = session->call([&] { return api.CeGetFileSize(file, &sizeHigh); });
    std::optional<QByteArray> bytes;
    if (sizeHigh == 0 && size != INVALID_FILE_SIZE && size <= kMaxFileBytes) {
        QByteArray data(size, '\0');
        DWORD read = 0;
        const BOOL ok =
            session->call([&] { return api.CeReadFile(file, data.data(), size, &read, nullptr); });
        if (ok && std::min(read, size) == size) // a library never gets to claim more
            bytes = std::move(data);
    }
    session->call([&] { return api.CeCloseHandle(file); });
    pause();
    return bytes;
}

std::optional<QByteArray> LibraryHandheld::readFileStart(const QString& path, qsizetype bytes) {
    const auto session = m_session;
    if (!session)
        return std::nullopt;
    const RapiApi& api = session->api();
    const HANDLE file = session->call([&] {
        return api.CeCreateFile(wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, HANDLE{});
    });
    if (file == kInvalidHandle)
        return std::nullopt;
    QByteArray start(std::clamp<qsizetype>(bytes, 0, kMaxFileBytes), '\0');
    const auto room = static_cast<DWORD>(start.size());
    DWORD read = 0;
    if (!session->call([&] { return api.CeReadFile(file, start.data(), room, &read, nullptr); }))
        read = 0;
    read = std::min(read, room);
    // Whatever the file does not hold reads as zero: a short file never shows stale bytes.
    std::fill(start.begin() + read, start.end(), '\0');
    session->call([&] { return api.CeCloseHandle(file); });
    return start;
}

std::optional<QList<FolderEntry>> LibraryHandheld::list(const QString& pattern, Listing listing) {
    const auto session = m_session;
    if (!session)
        return std::nullopt;
    const RapiApi& api = session->api();
    // The library may leave both untouched when it finds nothing.
    DWORD count = 0;
    CE_FIND_DATA* records = nullptr;
    const BOOL found = session->call(
        [&] { return api.CeFindAllFiles(wide(pattern), searchFlags(listing), &count, &records); });
    std::optional<QList<FolderEntry>> entries;
    if (found && records && count <= kMaxSearchRecords && fitsInMemory(records, count)) {
        entries.emplace();
        entries->reserve(count);
        for (DWORD i = 0; i < count; ++i)
            entries->append(entryOf(records[i], listing));
    }
    if (records)
        session->call([&] { return api.CeRapiFreeBuffer(records); });
    return entries;
}

bool LibraryHandheld::exists(const QString& path) {
    const auto session = m_session;
    return session && session->call([&] {
        return session->api().CeGetFileAttributes(wide(path));
    }) != INVALID_FILE_ATTRIBUTES;
}

void LibraryHandheld::remove(const QString& path) {
    if (const auto session = m_session)
        session->call([&] { return session->api().CeDeleteFile(wide(path)); });
}

void LibraryHandheld::pause() {
    QThread::msleep(10);
}
