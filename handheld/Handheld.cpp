#include "handheld/Handheld.h"

#include "handheld/ImageHandheld.h"
#include "handheld/LibraryHandheld.h"
#include "handheld/RapiLibrary.h"
#include "profile/DeviceSettings.h"

std::unique_ptr<Handheld> createHandheld(const QString& imageFolder, const ProfileStore& profile) {
    if (!imageFolder.isEmpty())
        return std::make_unique<ImageHandheld>(imageFolder);
    return std::make_unique<LibraryHandheld>(
        rapiLibraryCandidates(profile, RapiLibrary::platformNames()), sessionWaitOverride(profile));
}
