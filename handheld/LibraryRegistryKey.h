#pragma once

// A key of the handheld's registry opened through the remote API library. It is closed when
// the object goes, or with its session; a key whose session has ended answers nothing.

#include "handheld/Handheld.h"
#include "handheld/RapiTypes.h"

#include <memory>

class RapiSession;

class LibraryRegistryKey final : public RegistryKey {
public:
    LibraryRegistryKey(std::weak_ptr<RapiSession> session, rapi::HKEY key);
    ~LibraryRegistryKey() override;
    LibraryRegistryKey(const LibraryRegistryKey&) = delete;
    LibraryRegistryKey& operator=(const LibraryRegistryKey&) = delete;

    std::optional<QString> text(const QString& name) override;
    std::optional<quint32> number(const QString& name) override;
    std::optional<QByteArray> bytes(const QString& name, qsizetype maxBytes) override;
    std::optional<QString> valueName(int index) override;

    // Longest value name assumed when the handheld cannot tell.
    static constexpr rapi::DWORD kDefaultNameChars = 260;

private:
    std::shared_ptr<RapiSession> liveSession() const;

    std::weak_ptr<RapiSession> m_session;
    rapi::HKEY m_key;
};
