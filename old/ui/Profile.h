#pragma once

// The per-user profile: on Linux $XDG_CONFIG_HOME/Zelkora/Scorvane.conf, on Windows the
// registry key HKEY_CURRENT_USER\Software\Zelkora\Scorvane. It holds the islands password
// (obfuscated, not encrypted), so on Unix its file is kept readable by its owner only.

#include <QString>
#include <QVariant>

class QSettings;

// The per-user profile, with fallbacks to the system-wide settings.
QSettings OpenProfile();

// Writes what settings holds to its storage now and checks that it arrived; on Unix the file
// then has mode 0600. False when the profile could not be written.
bool SaveProfile(QSettings& settings);

// "The settings could not be saved to ...", naming the profile.
QString ProfileNotSavedText();

// Single keys of the per-user profile; each write is saved before it returns. Code that
// writes several keys in a row orders them so that stopping after any one of them leaves a
// profile that is safe to act on; tests wrap a store to stop between two writes.
class IProfileStore {
public:
    virtual ~IProfileStore() = default;
    virtual QVariant Value(const QString& key) const = 0;
    // False when the profile could not be saved.
    virtual bool SetValue(const QString& key, const QVariant& value) = 0;
    virtual bool Remove(const QString& key) = 0;
};

// The per-user profile itself. It keeps no state, so one instance serves every thread.
class CUserProfile final : public IProfileStore {
public:
    QVariant Value(const QString& key) const override;
    bool SetValue(const QString& key, const QVariant& value) override;
    bool Remove(const QString& key) override;
};

// The shared instance of CUserProfile.
IProfileStore& UserProfile();
