#pragma once

#include "scores/HighscoreSource.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

class IProfileStore;
class IRapiDevice;

// A path announced by a game under the program's own key on the handheld.
struct Announcement {
    std::int32_t kind = 0; // 1 new highscores file, 2 islands folder
    std::string text;
};

// What ScanDevice returns when it was stopped.
inline constexpr int kScanStopped = -1;

// Game numbers: 0 unknown, 1 to 6 the maker's games, 20 to 27 the puzzle game's tables.
inline constexpr std::int32_t kIslandsGameNumber = 1001;

// The display name of a game number; "" for numbers the catalogue does not know.
std::string DisplayNameForGame(std::int32_t game);

// Everything found on the handheld, with the catalogue of supported games.
class CHighscoreCollection {
public:
    explicit CHighscoreCollection(std::int32_t maxRecords);
    virtual ~CHighscoreCollection();
    CHighscoreCollection(const CHighscoreCollection&) = delete;
    CHighscoreCollection& operator=(const CHighscoreCollection&) = delete;

    // Game number of an id (a folder or source name) in any case; 0 when unknown.
    std::int32_t GameNumberForId(const std::string& id) const;
    // Highscore file name of a game; "HighScores.sco" when the catalogue names none.
    std::string FileNameForGame(std::int32_t game) const;

    void ClearSources();
    // Keeps text as the scan's notice unless it is empty.
    void SetScanMessage(const std::string& text);

    // The handheld the scan and the sources read from; null while none is connected.
    IRapiDevice* Device() const { return device; }
    void SetDevice(IRapiDevice* value) { device = value; }
    // Where the island marks are kept; the per-user profile unless another store is set.
    IProfileStore& Profile() const;
    void SetProfile(IProfileStore* value) { profile = value; }

    // Searches the connected handheld and rebuilds sources; 1 when done. A stop asked for
    // through stop is looked at between the remote steps up to the reading of the announced
    // sources (where published islands are deleted, which then runs to its end); a stopped
    // scan gives back the sources held before and returns kScanStopped.
    int ScanDevice(std::stop_token stop = {});

    // The steps of a scan, in the order ScanDevice runs them. Each reads the handheld set
    // with SetDevice; without one they find nothing.
    //
    // Reads the paths the games announced under the program's own key, and whether the
    // islands game is installed. 0 when the program's key is absent, else 1.
    int ReadAnnouncements();
    // Searches the mail attachments folder named in the handheld's registry.
    void ScanAttachmentsFolder();
    // Tries every sub-folder of folder as a game folder.
    void ScanProgramFolder(const std::string& folder);
    // Searches the top folder of every storage card.
    void ScanStorageCards();
    // Builds a source from the highscore file of the game folder at path and keeps it when it
    // decodes. Announced folders are never game folders.
    void TryGameFolder(const std::string& path);
    // The solitaire statistics in the registry and the puzzle game's statistics file.
    int ReadSolitaireStatistics();
    int ReadPuzzleGameFile();
    // Builds the sources the announcements name; counts the islands folders that loaded.
    void LoadAnnouncedSources();
    // One announced new-highscores file; 1 when it was read and decoded.
    int LoadNewHighscores(const std::string& path);
    // One announced islands folder; 1 when it was read and decoded.
    int LoadIslands(const std::string& folder);
    // Orders sources by title without regard to case.
    void SortSources();

    // Told, on the scanning thread, what the scan is searching now ("the program folders",
    // "the storage cards", ...), so a long scan over a slow link visibly lives.
    std::function<void(const std::string& what)> progress;
    void ReportProgress(const std::string& what) const {
        if (progress)
            progress(what);
    }

    std::int32_t maxRecords;
    std::vector<std::unique_ptr<CHighscoreSource>> sources;
    std::map<std::string, std::int32_t> gameMap;
    std::map<std::int32_t, std::string> fileNameMap;
    std::string scanMessage;
    bool islandsAppPresent = false;
    std::int32_t islandsEntriesLoaded = 0;
    std::vector<Announcement> announcements;

private:
    bool Stopping() const { return stop.stop_requested(); }

    IRapiDevice* device = nullptr;
    IProfileStore* profile = nullptr;
    std::stop_token stop; // the running scan's
};
