#include "handheld/LibraryRegistryKey.h"

#include "handheld/RapiSession.h"
#include "handheld/Utf16Text.h"

#include <QtEndian>
#include <algorithm>
#include <vector>

using namespace rapi;

namespace {

const WCHAR* wide(const QString& text) {
    return reinterpret_cast<const WCHAR*>(text.utf16());
}

} // namespace

LibraryRegistryKey::LibraryRegistryKey(std::weak_ptr<RapiSession> session, HKEY key)
    : m_session(std::move(session)), m_key(key) {}

LibraryRegistryKey::~LibraryRegistryKey() {
    if (const auto session = liveSession()) {
        session->keyClosed(m_key);
        session->call([&] { return session->api().CeRegCloseKey(m_key); });
    }
}

std::shared_ptr<RapiSession> LibraryRegistryKey::liveSession() const {
    auto session = m_session.lock();
    return session && session->isOpen() ? session : nullptr;
}

// The size first, then the value into room for twice that size, as a handheld may count
// characters instead of bytes; the cap keeps this far from overflowing.
std::optional<QString> LibraryRegistryKey::text(const QString& name) {
    const auto session = liveSession();
    if (!session)
        return std::nullopt;
    const RapiApi& api = session->api();
    DWORD type = REG_SZ;
    DWORD size = 0;
    if (session->call([&] {
            return api.CeRegQueryValueEx(m_key, wide(name), nullptr, &type, nullptr, &size);
        }) != ERROR_SUCCESS ||
        size > kMaxValueBytes)
        return std::nullopt;
    QByteArray buffer(2 * qsizetype(size) + 2, '\0');
    DWORD got = size;
    if (session->call([&] {
            return api.CeRegQueryValueEx(m_key, wide(name), nullptr, &type,
                                         reinterpret_cast<BYTE*>(buffer.data()), &got);
        }) != ERROR_SUCCESS)
        return std::nullopt;
    return utf16Text(QByteArrayView(buffer).first(std::min<qsizetype>(got, buffer.size())));
}

std::optional<quint32> LibraryRegistryKey::number(const QString& name) {
    const auto session = liveSession();
    if (!session)
        return std::nullopt;
    BYTE bytes[4] = {0, 0, 0, 0};
    DWORD type = REG_DWORD;
    DWORD size = sizeof bytes;
    if (session->call([&] {
            return session->api().CeRegQueryValueEx(m_key, wide(name), nullptr, &type, bytes,
                                                    &size);
        }) != ERROR_SUCCESS)
        return std::nullopt;
    return qFromLittleEndian<quint32>(bytes);
}

std::optional<QByteArray> LibraryRegistryKey::bytes(const QString& name, qsizetype maxBytes) {
    const auto session = liveSession();
    if (!session)
        return std::nullopt;
    QByteArray buffer(std::clamp<qsizetype>(maxBytes, 0, kMaxValueBytes), '\0');
    DWORD type = REG_BINARY;
    auto size = static_cast<DWORD>(buffer.size());
    if (session->call([&] {
            return session->api().CeRegQueryValueEx(m_key, wide(name), nullptr, &type,
                                                    reinterpret_cast<BYTE*>(buffer.data()), &size);
        }) != ERROR_SUCCESS)
        return std::nullopt;
    buffer.truncate(std::min<qsizetype>(size, buffer.size())); // never more than the room
    return buffer;
}

// The longest name first, then the name, asked again with more room while the handheld asks
// for it; growth is bounded, as the handheld must ask for more room each time.
std::optional<QString> LibraryRegistryKey::valueName(int index) {
    const auto session = liveSession();
    if (!session || index < 0)
        return std::nullopt;
    const RapiApi& api = session->api();
    DWORD longest = 0;
    if (session->call([&] {
            return api.CeRegQueryInfoKey(m_key, nullptr, nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr, &longest, nullptr, nullptr, nullptr);
        }) != ERROR_SUCCESS)
        longest = kDefaultNameChars;
    DWORD length = std::min<DWORD>(longest, kMaxNameChars) + 1;
    DWORD lastLength = length;
    std::vector<WCHAR> buffer;
    for (;;) {
        if (buffer.size() <= length)
            buffer.resize(std::size_t(length) + 1, u'\0');
        DWORD chars = length;
        const LONG status = session->call([&] {
            return api.CeRegEnumValue(m_key, DWORD(index), buffer.data(), &chars, nullptr, nullptr,
                                      nullptr, nullptr);
        });
        if (status == ERROR_SUCCESS) {
            const auto end = std::min<std::size_t>(chars, buffer.size() - 1);
            const QString found = QString::fromUtf16(buffer.data(), qsizetype(end));
            return found.left(found.indexOf(QChar(0)));
        }
        buffer[0] = u'\0';
        if (status != ERROR_MORE_DATA || chars > kMaxNameChars)
            return std::nullopt;
        length = chars + 1;
        if (length <= lastLength)
            return std::nullopt;
        lastLength = length;
    }
}
