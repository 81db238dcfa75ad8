#pragma once

// The device image backend, with faults the download must survive switched on one by one, and
// the sessions and deletions counted.

#include "TestImage.h"

#include "handheld/Handheld.h"
#include "profile/Profile.h"

class FaultyHandheld final : public Handheld {
public:
    explicit FaultyHandheld(const TestImage& image)
        : m_image(createHandheld(image.Root(), UserProfile())) {}

    bool refuseSessions = false;
    bool failListings = false;
    QString unreadable;       // reading a file whose path ends with this fails
    bool keepDeleted = false; // a deletion leaves the file where it is
    QString notices;          // the backend's notice

    int sessions = 0; // connects that succeeded
    int open = 0;     // sessions still open
    int removed = 0;

    bool connect(std::chrono::milliseconds wait, std::stop_token stop) override {
        if (refuseSessions || !m_image->connect(wait, stop))
            return false;
        ++sessions;
        ++open;
        return true;
    }
    void disconnect() override {
        if (open > 0)
            --open;
        m_image->disconnect();
    }
    QString notice() const override { return notices.isEmpty() ? m_image->notice() : notices; }
    std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const QString& path) override {
        return m_image->openKey(root, path);
    }
    std::optional<QByteArray> readFile(const QString& path) override {
        if (!unreadable.isEmpty() && path.endsWith(unreadable))
            return std::nullopt;
        return m_image->readFile(path);
    }
    std::optional<QByteArray> readFileStart(const QString& path, qsizetype bytes) override {
        return m_image->readFileStart(path, bytes);
    }
    std::optional<QList<FolderEntry>> list(const QString& pattern, Listing listing) override {
        if (failListings)
            return std::nullopt;
        return m_image->list(pattern, listing);
    }
    bool exists(const QString& path) override { return m_image->exists(path); }
    void remove(const QString& path) override {
        ++removed;
        if (!keepDeleted)
            m_image->remove(path);
    }
    void pause() override { m_image->pause(); }

private:
    std::unique_ptr<Handheld> m_image;
};
