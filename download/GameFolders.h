#pragma once

// The games' installation folders: the handheld's program folders, the mail attachments
// folder and the top folder of every storage card. Each sub-folder is tried as a game folder.
// Every folder search and every entry it found is followed by the link's pause. A stop asked
// for ends a search's walk early; the scan then stops before its next step.

#include <QString>
#include <array>

struct ScanContext;

inline constexpr std::array<const char16_t*, 4> kProgramFolders = {
    u"\\Storage\\Program Files",
    u"\\Mounted Volume\\Program Files",
    u"\\Storage Card\\Program Files",
    u"\\IPSM\\Program Files",
};

// Tries every sub-folder of folder (with or without its closing backslash).
void scanProgramFolder(ScanContext& scan, const QString& folder);
// The folder named by "TopDir" of "PMail\Attachments", taken from the handheld's root.
void scanAttachmentsFolder(ScanContext& scan);
// The root's folders that the handheld marks as a storage card's top folder.
void scanStorageCards(ScanContext& scan);
// Reads the game's highscore file in the folder at path and keeps the source when it decodes.
// Announced folders are never game folders.
void tryGameFolder(ScanContext& scan, const QString& path);
