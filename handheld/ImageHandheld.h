#pragma once

// A handheld simulated by a device image folder (see ImageFolder.h for its files).
//
// The image answers at once; pauses are kept unless device.ini turns pacing off. Only regular
// files are ever opened: a FIFO, socket or device in files/ is absent, and one named
// registry.reg or device.ini is not read, which notice() tells, as it tells of a registry.reg
// that is too large, is no export, or holds keys beyond the handheld's limits. The only change
// ever made to the image is the deletion of a file.

#include "handheld/Handheld.h"
#include "handheld/ImageFiles.h"

#include <QStringList>

class RegistryTree;

class ImageHandheld : public Handheld {
public:
    explicit ImageHandheld(QString folder);
    ~ImageHandheld() override;

    // Whether connect() would succeed for this folder: it holds files/ or registry.reg.
    static bool looksLikeImage(const QString& folder);

    bool connect(std::chrono::milliseconds wait, std::stop_token stop = {}) override;
    void disconnect() override;
    QString notice() const override;

    std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const QString& path) override;
    std::optional<QByteArray> readFile(const QString& path) override;
    std::optional<QByteArray> readFileStart(const QString& path, qsizetype bytes) override;
    std::optional<QList<FolderEntry>> list(const QString& pattern, Listing listing) override;
    bool exists(const QString& path) override;
    void remove(const QString& path) override;
    void pause() override;

    // What stands at path; nothing when it is absent or no session is open.
    std::optional<FolderEntry> entry(const QString& path);
    bool pacing() const { return m_pacing; }

    // A registry export larger than this is not a handheld's registry. Reading one costs up to
    // about five times its size, far more for exports made of nothing but tiny keys.
    static constexpr qint64 kMaxRegistryFileBytes = 32 * 1024 * 1024;
    static constexpr qint64 kMaxSettingsFileBytes = 1024 * 1024;

private:
    void loadRegistry();
    void loadSettings();

    QString m_folder;
    bool m_connected = false;
    bool m_pacing = true;
    QStringList m_notices;
    std::shared_ptr<const RegistryTree> m_registry; // keys handed out hold it weakly
    ImageFiles m_files;
};
