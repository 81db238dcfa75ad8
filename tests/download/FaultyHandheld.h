#pragma once

// The device image backend, with faults the download must survive switched on one by one, and
// the sessions counted.

#include "TestImage.h"

#include "handheld/ImageHandheld.h"

#include <functional>

class FaultyHandheld final : public ImageHandheld {
public:
    explicit FaultyHandheld(const TestImage& image) : ImageHandheld(image.Root()) {}

    bool refuseSessions = false;
    bool failListings = false;
    QString unreadable;                  // reading a file whose path ends with this fails
    bool keepDeleted = false;            // a deletion leaves the file where it is
    std::function<void()> removing = {}; // told before each deletion

    int sessions = 0; // connects that succeeded
    int open = 0;     // sessions still open

    bool connect(std::chrono::milliseconds wait, std::stop_token stop) override {
        if (refuseSessions || !ImageHandheld::connect(wait, stop))
            return false;
        ++sessions;
        ++open;
        return true;
    }
    void disconnect() override {
        open = std::max(open - 1, 0);
        ImageHandheld::disconnect();
    }
    std::optional<QByteArray> readFile(const QString& path) override {
        if (!unreadable.isEmpty() && path.endsWith(unreadable))
            return std::nullopt;
        return ImageHandheld::readFile(path);
    }
    std::optional<QList<FolderEntry>> list(const QString& pattern, Listing listing) override {
        return failListings ? std::nullopt : ImageHandheld::list(pattern, listing);
    }
    void remove(const QString& path) override {
        if (removing)
            removing();
        if (!keepDeleted)
            ImageHandheld::remove(path);
    }
};
