// A stand-in for the desktop's remote API library, for the tests of the backend that loads that
// library at run time. It exports the remote API's functions with C linkage and the open-source
// library's types, serves them from a device image through the image backend, and can be told
// to misbehave in the ways a real library or connection does.
#include "RapiStub.h"

#include "handheld/ImageHandheld.h"
#include "handheld/RapiTypes.h"

#include <QFile>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#define RAPISTUB_API extern "C" __attribute__((visibility("default")))

using namespace rapi;

namespace {

constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT kInvalidArgument = static_cast<HRESULT>(0x80070057u);
constexpr LONG kInvalidParameter = 87;
constexpr HANDLE kInvalidHandle = 0xFFFFFFFFu;
constexpr qsizetype kAnySize = std::numeric_limits<qsizetype>::max();

// The image as a library serves it: without the pauses, which are the program's to make.
class ServedImage final : public ImageHandheld {
public:
    using ImageHandheld::ImageHandheld;
    void pause() override {}
};

QString text(const WCHAR* wide) {
    return wide ? QString::fromUtf16(wide) : QString();
}
QString quoted(const WCHAR* wide) {
    return u'"' + text(wide) + u'"';
}
QString hex(std::uint32_t value) {
    return QString::number(value, 16);
}
QString number(const DWORD* value) {
    return value ? QString::number(*value) : QStringLiteral("null");
}

DWORD attributesOf(const FolderEntry& entry) {
    if (!entry.isFolder)
        return FILE_ATTRIBUTE_ARCHIVE;
    return FILE_ATTRIBUTE_DIRECTORY | (entry.isStorageCard ? FILE_ATTRIBUTE_TEMPORARY : 0);
}

struct OpenFile {
    QByteArray bytes;
    qsizetype position = 0;
};

struct Stub {
    std::mutex mutex;
    std::condition_variable changed;
    QString imageFolder;
    std::map<int, std::uint32_t> settings;
    QFile trace;
    RapiStubCounters counters{};

    std::unique_ptr<ServedImage> image; // serves the open session
    std::thread::id sessionThread;
    std::map<DWORD, std::unique_ptr<RegistryKey>> keys;
    std::map<DWORD, OpenFile> files;
    std::set<void*> buffers;
    DWORD nextHandle = 0x100;

    void reset(const char* folder) {
        if (image)
            endSession();
        for (void* buffer : buffers)
            delete[] static_cast<CE_FIND_DATA*>(buffer);
        buffers.clear();
        counters = RapiStubCounters{};
        settings.clear();
        const QString session = qEnvironmentVariable("SCORVANE_RAPISTUB_SESSION");
        settings[RAPISTUB_SESSION] = session == QLatin1String("fail")   ? RAPISTUB_FAIL
                                     : session == QLatin1String("hold") ? RAPISTUB_HOLD
                                                                        : RAPISTUB_ANSWER;
        imageFolder =
            folder ? QString::fromUtf8(folder) : qEnvironmentVariable("SCORVANE_RAPISTUB_IMAGE");
        trace.close();
        trace.setFileName(qEnvironmentVariable("SCORVANE_RAPISTUB_TRACE"));
        if (!trace.fileName().isEmpty())
            trace.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
        changed.notify_all();
    }

    std::uint32_t& setting(int which) { return settings[which]; }

    void log(const QString& line) {
        if (trace.isOpen())
            trace.write((line + u'\n').toUtf8());
    }

    // The image for a registry or file call, null (and counted) when no session is open.
    ServedImage* enter() {
        if (!image) {
            ++counters.callsWithoutSession;
            return nullptr;
        }
        if (std::this_thread::get_id() != sessionThread)
            ++counters.callsOffSessionThread;
        return image.get();
    }

    RegistryKey* key(HKEY handle) {
        const auto it = enter() ? keys.find(handle) : keys.end();
        return it == keys.end() ? nullptr : it->second.get();
    }

    OpenFile* file(HANDLE handle) {
        const auto it = enter() ? files.find(handle) : files.end();
        return it == files.end() ? nullptr : &it->second;
    }

    void endSession() {
        counters.leftOpenAtUninit += int(keys.size() + files.size() + buffers.size());
        keys.clear();
        files.clear();
        image.reset();
        --counters.liveSessions;
    }
};

// Never destroyed: a CeRapiInit that never returned may still wait on it at exit.
Stub& theStub() {
    static Stub* stub = [] {
        auto* created = new Stub;
        created->reset(nullptr);
        return created;
    }();
    return *stub;
}

// Serves one call under the stand-in's lock and traces it as "call = result, out".
template <typename F> auto serve(const QString& call, F&& body) {
    Stub& s = theStub();
    std::lock_guard lock(s.mutex);
    QString out;
    const auto result = body(s, out);
    s.log(call + QStringLiteral(" = ") + hex(std::uint32_t(result)) + out);
    return result;
}

} // namespace

RAPISTUB_API HRESULT CeRapiInit() {
    Stub& s = theStub();
    std::unique_lock lock(s.mutex);
    ++s.counters.initCalls;
    s.changed.notify_all();
    s.changed.wait(lock, [&] {
        return s.setting(RAPISTUB_SESSION) != RAPISTUB_HOLD || s.setting(RAPISTUB_RELEASE) > 0;
    });
    if (s.setting(RAPISTUB_SESSION) == RAPISTUB_HOLD)
        --s.setting(RAPISTUB_RELEASE);
    HRESULT result = kFail;
    if (s.setting(RAPISTUB_SESSION) != RAPISTUB_FAIL && !s.image && !s.imageFolder.isEmpty()) {
        auto image = std::make_unique<ServedImage>(s.imageFolder);
        if (image->connect(std::chrono::milliseconds(0))) {
            s.image = std::move(image);
            s.sessionThread = std::this_thread::get_id();
            s.nextHandle = 0x100;
            ++s.counters.liveSessions;
            result = 0;
        }
    }
    ++s.counters.initReturns;
    s.log(QStringLiteral("CeRapiInit() = %1").arg(hex(std::uint32_t(result))));
    s.changed.notify_all();
    return result;
}

RAPISTUB_API HRESULT CeRapiUninit() {
    return serve(QStringLiteral("CeRapiUninit()"), [](Stub& s, QString&) -> HRESULT {
        ++s.counters.uninitCalls;
        if (s.enter())
            s.endSession();
        s.changed.notify_all();
        return 0;
    });
}

RAPISTUB_API LONG CeRegOpenKeyEx(HKEY parent, const WCHAR* subKey, DWORD options, DWORD access,
                                 HKEY* result) {
    return serve(QStringLiteral("CeRegOpenKeyEx(%1, %2, %3, %4)")
                     .arg(hex(parent), quoted(subKey), hex(options), hex(access)),
                 [&](Stub& s, QString& out) -> LONG {
                     ServedImage* image = s.enter();
                     if (!image || (parent != kCurrentUser && parent != kLocalMachine))
                         return ERROR_INVALID_HANDLE;
                     auto key = image->openKey(parent == kCurrentUser ? RegistryRoot::CurrentUser
                                                                      : RegistryRoot::LocalMachine,
                                               text(subKey));
                     if (!key)
                         return ERROR_FILE_NOT_FOUND;
                     *result = s.nextHandle++;
                     s.keys[*result] = std::move(key);
                     out = QStringLiteral(", key ") + hex(*result);
                     return ERROR_SUCCESS;
                 });
}

RAPISTUB_API LONG CeRegQueryValueEx(HKEY key, const WCHAR* name, DWORD*, DWORD*, BYTE* data,
                                    DWORD* size) {
    return serve(QStringLiteral("CeRegQueryValueEx(%1, %2, %3, %4)")
                     .arg(hex(key), quoted(name), data ? "data" : "null", number(size)),
                 [&](Stub& s, QString& out) -> LONG {
                     RegistryKey* opened = s.key(key);
                     const auto value = opened ? opened->bytes(text(name), kAnySize) : std::nullopt;
                     if (!value)
                         return opened ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_HANDLE;
                     const auto length = static_cast<DWORD>(value->size());
                     const std::uint32_t reported = s.setting(RAPISTUB_VALUE_SIZE);
                     const LONG answer = data && *size < length ? ERROR_MORE_DATA : ERROR_SUCCESS;
                     if (data && answer == ERROR_SUCCESS)
                         std::memcpy(data, value->constData(), length);
                     *size = !data && reported ? reported : length;
                     out = QStringLiteral(", size ") + number(size);
                     return answer;
                 });
}

#ifndef RAPISTUB_WITHOUT_ENUM
RAPISTUB_API LONG CeRegEnumValue(HKEY key, DWORD index, WCHAR* name, DWORD* chars, DWORD*, DWORD*,
                                 BYTE*, DWORD*) {
    return serve(QStringLiteral("CeRegEnumValue(%1, %2, %3)")
                     .arg(hex(key), QString::number(index), number(chars)),
                 [&](Stub& s, QString& out) -> LONG {
                     RegistryKey* opened = s.key(key);
                     if (!opened)
                         return ERROR_INVALID_HANDLE;
                     const auto found = opened->valueName(int(std::min<DWORD>(index, INT_MAX)));
                     if (!found)
                         return ERROR_NO_MORE_ITEMS;
                     const auto length = static_cast<DWORD>(found->size());
                     const std::uint32_t moreData = s.setting(RAPISTUB_MORE_DATA);
                     const bool fits = moreData == 0 && *chars > length;
                     if (fits)
                         std::memcpy(name, found->utf16(), (length + 1) * sizeof(WCHAR));
                     *chars = moreData ? moreData : length;
                     out = QStringLiteral(", chars ") + number(chars);
                     return fits ? ERROR_SUCCESS : ERROR_MORE_DATA;
                 });
}
#endif

// Only the longest value name is asked for.
RAPISTUB_API LONG CeRegQueryInfoKey(HKEY key, WCHAR*, DWORD*, DWORD*, DWORD*, DWORD*, DWORD*,
                                    DWORD*, DWORD* longestName, DWORD*, DWORD*, FILETIME*) {
    return serve(
        QStringLiteral("CeRegQueryInfoKey(%1)").arg(hex(key)), [&](Stub& s, QString& out) -> LONG {
            RegistryKey* opened = s.key(key);
            if (!opened || s.setting(RAPISTUB_LONGEST_NAME) == 0xFFFFFFFFu)
                return opened ? kInvalidParameter : ERROR_INVALID_HANDLE;
            DWORD longest = 0;
            for (int i = 0; const auto name = opened->valueName(i); ++i)
                longest = std::max(longest, DWORD(name->size()));
            *longestName =
                s.setting(RAPISTUB_LONGEST_NAME) ? s.setting(RAPISTUB_LONGEST_NAME) : longest;
            out = QStringLiteral(", longest ") + number(longestName);
            return ERROR_SUCCESS;
        });
}

RAPISTUB_API LONG CeRegCloseKey(HKEY key) {
    return serve(QStringLiteral("CeRegCloseKey(%1)").arg(hex(key)), [&](Stub& s, QString&) {
        return s.key(key) && s.keys.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    });
}

RAPISTUB_API HANDLE CeCreateFile(const WCHAR* path, DWORD access, DWORD share, void*,
                                 DWORD creation, DWORD flags, HANDLE) {
    return serve(QStringLiteral("CeCreateFile(%1, %2, %3, %4, %5)")
                     .arg(quoted(path), hex(access), hex(share), hex(creation), hex(flags)),
                 [&](Stub& s, QString&) {
                     ServedImage* image = s.enter();
                     // The image is never written.
                     const auto bytes =
                         image && !(access & GENERIC_WRITE) && creation == OPEN_EXISTING
                             ? image->readFile(text(path))
                             : std::nullopt;
                     if (!bytes)
                         return kInvalidHandle;
                     s.files[s.nextHandle] = OpenFile{*bytes, 0};
                     return s.nextHandle++;
                 });
}

RAPISTUB_API DWORD CeGetFileSize(HANDLE handle, DWORD* sizeHigh) {
    return serve(QStringLiteral("CeGetFileSize(%1)").arg(hex(handle)), [&](Stub& s, QString&) {
        const OpenFile* file = s.file(handle);
        if (!file)
            return INVALID_FILE_SIZE;
        if (sizeHigh)
            *sizeHigh = 0;
        return s.setting(RAPISTUB_FILE_SIZE) ? s.setting(RAPISTUB_FILE_SIZE)
                                             : static_cast<DWORD>(file->bytes.size());
    });
}

RAPISTUB_API BOOL CeReadFile(HANDLE handle, void* buffer, DWORD bytes, DWORD* read, void*) {
    *read = 0;
    return serve(
        QStringLiteral("CeReadFile(%1, %2)").arg(hex(handle)).arg(bytes),
        [&](Stub& s, QString& out) -> BOOL {
            OpenFile* file = s.file(handle);
            if (!file || !read || (!buffer && bytes > 0))
                return 0;
            const auto count = std::min<qsizetype>(bytes, file->bytes.size() - file->position);
            std::memcpy(buffer, file->bytes.constData() + file->position, std::size_t(count));
            file->position += count;
            *read = static_cast<DWORD>(count);
            out = QStringLiteral(", read ") + number(read);
            return 1;
        });
}

RAPISTUB_API BOOL CeCloseHandle(HANDLE handle) {
    return serve(QStringLiteral("CeCloseHandle(%1)").arg(hex(handle)), [&](Stub& s, QString&) {
        return s.file(handle) && s.files.erase(handle) ? 1 : 0;
    });
}

RAPISTUB_API DWORD CeGetFileAttributes(const WCHAR* path) {
    return serve(QStringLiteral("CeGetFileAttributes(%1)").arg(quoted(path)),
                 [&](Stub& s, QString&) {
                     ServedImage* image = s.enter();
                     const auto entry = image ? image->entry(text(path)) : std::nullopt;
                     return entry ? attributesOf(*entry) : INVALID_FILE_ATTRIBUTES;
                 });
}

RAPISTUB_API BOOL CeDeleteFile(const WCHAR* path) {
    return serve(QStringLiteral("CeDeleteFile(%1)").arg(quoted(path)), [&](Stub& s, QString&) {
        ServedImage* image = s.enter();
        const auto entry = image ? image->entry(text(path)) : std::nullopt;
        if (!entry || entry->isFolder)
            return 0;
        image->remove(text(path));
        return image->exists(text(path)) ? 0 : 1;
    });
}

// Results are arrays of the stand-in's own, so that a release of anything else is noticed.
RAPISTUB_API BOOL CeFindAllFiles(const WCHAR* pattern, DWORD flags, DWORD* count,
                                 CE_FIND_DATA** found) {
    return serve(
        QStringLiteral("CeFindAllFiles(%1, %2)").arg(quoted(pattern), hex(flags)),
        [&](Stub& s, QString& out) -> BOOL {
            ServedImage* image = s.enter();
            const Listing listing = !(flags & FAF_FOLDERS_ONLY)     ? Listing::Files
                                    : (flags & FAF_ATTRIB_CHILDREN) ? Listing::Cards
                                                                    : Listing::Folders;
            const auto entries = image ? image->list(text(pattern), listing) : std::nullopt;
            if (!entries)
                return 0;
            const auto listed = static_cast<DWORD>(entries->size());
            *count = listed > 0 && s.setting(RAPISTUB_SEARCH_COUNT)
                         ? s.setting(RAPISTUB_SEARCH_COUNT)
                         : listed;
            out = QStringLiteral(", count ") + number(count);
            if (listed == 0 && s.setting(RAPISTUB_EMPTY_SEARCH))
                return 1; // *found is not written
            auto* records = new CE_FIND_DATA[std::max<DWORD>(listed, 1)]{};
            for (DWORD i = 0; i < listed; ++i) {
                const QString& name = entries->at(i).name;
                records[i].dwFileAttributes = attributesOf(entries->at(i));
                std::memcpy(records[i].cFileName, name.utf16(),
                            std::size_t(std::min<qsizetype>(name.size(), MAX_PATH - 1)) * 2);
            }
            s.buffers.insert(records);
            ++s.counters.liveBuffers;
            *found = records;
            return 1;
        });
}

RAPISTUB_API HRESULT CeRapiFreeBuffer(void* buffer) {
    return serve(QStringLiteral("CeRapiFreeBuffer()"), [&](Stub& s, QString&) -> HRESULT {
        if (!buffer)
            return 0;
        if (!s.buffers.erase(buffer)) {
            ++s.counters.badFrees;
            return kInvalidArgument;
        }
        delete[] static_cast<CE_FIND_DATA*>(buffer);
        --s.counters.liveBuffers;
        return 0;
    });
}

// Control functions for the tests.

RAPISTUB_API void RapiStub_Reset(const char* imageFolder) {
    Stub& s = theStub();
    std::lock_guard lock(s.mutex);
    s.reset(imageFolder);
}

RAPISTUB_API void RapiStub_Set(int setting, std::uint32_t value) {
    Stub& s = theStub();
    std::lock_guard lock(s.mutex);
    s.setting(setting) = value;
    s.changed.notify_all();
}

RAPISTUB_API void RapiStub_GetCounters(RapiStubCounters* counters) {
    Stub& s = theStub();
    std::lock_guard lock(s.mutex);
    *counters = s.counters;
}

RAPISTUB_API int RapiStub_Wait(int initCalls, int timeoutMs) {
    Stub& s = theStub();
    std::unique_lock lock(s.mutex);
    return s.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return initCalls >= 0
                   ? s.counters.initCalls >= initCalls
                   : s.counters.initCalls == s.counters.initReturns && s.counters.liveSessions == 0;
    });
}
