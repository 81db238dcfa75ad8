#pragma once

// The per-user profile: where the program keeps its settings between runs (Linux:
// $XDG_CONFIG_HOME/Zelkora/Scorvane.conf; Windows: HKEY_CURRENT_USER\Software\Zelkora\Scorvane),
// with the system-wide settings behind it (Linux: $XDG_CONFIG_DIRS/Zelkora/Scorvane.conf,
// by default /etc/xdg; Windows: HKEY_LOCAL_MACHINE\Software\Zelkora\Scorvane), from which an
// installer or administrator provides values for every user.
//
// Every write reaches the storage before it returns and is checked, so that code writing
// several keys in a row can order them for safety (a stop after any one of them must leave a
// profile that is safe to act on) and a failed write is reported. Tests wrap a store to stop
// between two writes.

#include <QString>
#include <QVariant>

inline constexpr char kOrganisationName[] = "Zelkora";
inline constexpr char kApplicationName[] = "Scorvane";

class ProfileStore {
public:
    virtual ~ProfileStore() = default;
    // key is "Section/Name". The user's value, else the system-wide one, else fallback.
    virtual QVariant value(const QString& key, const QVariant& fallback = {}) const = 0;
    // False when the profile could not be written.
    virtual bool setValue(const QString& key, const QVariant& value) = 0;
    virtual bool remove(const QString& key) = 0;
};

// The profile itself, through QSettings. Its file is readable by its owner only (it holds the
// obfuscated islands password). It keeps no state, so one instance serves every thread.
class UserProfile final : public ProfileStore {
public:
    QVariant value(const QString& key, const QVariant& fallback = {}) const override;
    bool setValue(const QString& key, const QVariant& value) override;
    bool remove(const QString& key) override;

    // "The settings could not be saved to "...".", naming the profile's file or key.
    static QString notSavedText();
};
