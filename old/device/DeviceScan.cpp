// The device scan: finds the highscore tables the games left on the handheld.
#include "device/HighscoreCollection.h"

#include "device/RemoteRegKey.h"
#include "device/TextCodec.h"

#include <QString>
#include <algorithm>
#include <array>
#include <climits>
#include <functional>
#include <utility>

using namespace rapi;

namespace {

constexpr std::array<const char*, 4> kProgramFolders = {
    "\\Storage\\Program Files",
    "\\Mounted Volume\\Program Files",
    "\\Storage Card\\Program Files",
    "\\IPSM\\Program Files",
};
constexpr const char* kSearchPattern = "*.*";
constexpr const char* kAttachmentsKey = "PMail\\Attachments";
constexpr const char* kAttachmentsValue = "TopDir";
constexpr const char* kProgramKey = "SOFTWARE\\Zelkora\\Scorvane";
constexpr const char* kIslandsServiceKey = "SOFTWARE\\Zelkora\\SkyholmService\\Product";
constexpr const char* kIslandsAppValue = "propNameAppPath";
// The Smartphone edition of the ball-alignment game names its file unlike the others.
constexpr const char* kMarbeloSmartphoneId = "marbelo sp";
constexpr const char* kMarbeloSmartphoneFile = "HighScores.sco";

constexpr DWORD kLinkPauseMs = 10;
constexpr DWORD kFolderSearch = FAF_FOLDERS_ONLY | FAF_NAME;
constexpr DWORD kCardSearch = FAF_FOLDERS_ONLY | FAF_ATTRIB_CHILDREN | FAF_NAME | FAF_ATTRIBUTES;

void PauseLink(IRapiDevice* device) {
    if (device)
        device->Pause(kLinkPauseMs);
}

// One folder search. The record array goes back to the handheld when the object ends,
// whichever way the search and the work on its records end.
class FolderSearch {
public:
    FolderSearch(IRapiDevice* device, const std::string& pattern, DWORD flags) : device(device) {
        if (!device)
            return;
        const std::u16string widePattern = WideFromNarrow(pattern);
        succeeded = device->CeFindAllFiles(widePattern.c_str(), flags, &count, &found) != 0;
    }
    ~FolderSearch() {
        if (device && found)
            device->CeRapiFreeBuffer(found);
    }
    FolderSearch(const FolderSearch&) = delete;
    FolderSearch& operator=(const FolderSearch&) = delete;

    // The records, or none when the search failed or returned no array.
    DWORD Count() const { return succeeded && found ? count : 0; }
    const CE_FIND_DATA& Record(DWORD index) const { return found[index]; }

private:
    IRapiDevice* device;
    DWORD count = 0;
    CE_FIND_DATA* found = nullptr;
    bool succeeded = false;
};

std::string RecordName(const CE_FIND_DATA& record) {
    return NarrowFromWide(record.cFileName, MAX_PATH);
}

bool IsDotEntry(const std::string& name) {
    return name == "." || name == "..";
}

// The number at the start of text as atoi reads it: blanks, a sign, then digits. Values
// beyond the 32-bit range are held at its ends.
std::int32_t LeadingNumber(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), std::int64_t(INT_MAX) + 1);
    value = negative ? -value : value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

} // namespace

int CHighscoreCollection::ScanDevice(std::stop_token stopToken) {
    // The sources found before stay until the scan may no longer be stopped.
    std::vector<std::unique_ptr<CHighscoreSource>> previous;
    previous.swap(sources);
    scanMessage.clear();
    stop = std::move(stopToken);

    const std::pair<const char*, std::function<void()>> steps[] = {
        {"Reading the announcements", [this] { ReadAnnouncements(); }},
        {"Searching the attachments folder", [this] { ScanAttachmentsFolder(); }},
        {"Searching the program folders",
         [this] {
             for (const char* folder : kProgramFolders)
                 ScanProgramFolder(folder);
         }},
        {"Searching the storage cards", [this] { ScanStorageCards(); }},
        {"Reading the game statistics",
         [this] {
             ReadSolitaireStatistics();
             ReadPuzzleGameFile();
         }},
        {"Reading announced highscores", [] {}},
    };
    for (const auto& [what, step] : steps) {
        ReportProgress(what);
        if (Stopping()) {
            sources.swap(previous);
            stop = {};
            return kScanStopped;
        }
        step();
    }
    // Deletes published islands: never stopped halfway.
    stop = {};
    LoadAnnouncedSources();
    SortSources();
    // What the handheld's backend has to say about its data (a part of a device image it could
    // not read) explains the rest of the scan, so it takes the place of the scan's own notice.
    if (device)
        if (const std::string notice = device->SessionNotice(); !notice.empty())
            scanMessage = notice;
    return 1;
}

int CHighscoreCollection::ReadAnnouncements() {
    islandsAppPresent = false;
    announcements.clear();

    // Whether the islands game is installed is looked at even when the program's own key is
    // missing: an islands game that never ran has announced nothing yet, and that is just when
    // the user must be told to start it once.
    CRemoteRegKey islandsKey(device, HKEY_LOCAL_MACHINE, kIslandsServiceKey);
    if (islandsKey.IsOpen()) {
        const std::string appPath = islandsKey.QueryString(kIslandsAppValue, "");
        if (!appPath.empty()) {
            const std::u16string wideAppPath = WideFromNarrow(appPath);
            islandsAppPresent =
                device->CeGetFileAttributes(wideAppPath.c_str()) != INVALID_FILE_ATTRIBUTES;
        }
    }
    islandsKey.Close();

    CRemoteRegKey programKey(device, HKEY_LOCAL_MACHINE, kProgramKey);
    if (!programKey.IsOpen())
        return 0;
    std::string valueName;
    for (DWORD index = 0; programKey.EnumValueName(index, valueName); ++index) {
        const std::string value = programKey.QueryString(valueName, "");
        const std::size_t comma = value.find(',');
        if (value.empty() || comma == std::string::npos)
            continue;
        const std::int32_t kind = LeadingNumber(value);
        if (kind > 0)
            announcements.push_back(Announcement{kind, value.substr(comma + 1)});
    }
    programKey.Close();
    return 1;
}

void CHighscoreCollection::ScanAttachmentsFolder() {
    CRemoteRegKey key(device, HKEY_LOCAL_MACHINE, kAttachmentsKey);
    const std::string topFolder = key.QueryString(kAttachmentsValue, "");
    key.Close();
    if (topFolder.empty())
        return;
    ScanProgramFolder("\\" + topFolder + "\\");
}

void CHighscoreCollection::ScanProgramFolder(const std::string& folder) {
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '\\')
        prefix += '\\';
    const FolderSearch search(device, prefix + kSearchPattern, kFolderSearch);
    PauseLink(device);
    for (DWORD i = 0; i < search.Count() && !Stopping(); ++i) {
        const std::string name = RecordName(search.Record(i));
        if (!IsDotEntry(name))
            TryGameFolder(prefix + name);
        PauseLink(device);
    }
}

void CHighscoreCollection::ScanStorageCards() {
    const FolderSearch search(device, std::string("\\") + kSearchPattern, kCardSearch);
    for (DWORD i = 0; i < search.Count() && !Stopping(); ++i) {
        const CE_FIND_DATA& record = search.Record(i);
        const std::string name = RecordName(record);
        // The handheld marks the root folder of a storage card as temporary.
        if (!IsDotEntry(name) && (record.dwFileAttributes & FILE_ATTRIBUTE_TEMPORARY))
            ScanProgramFolder("\\" + name);
        PauseLink(device);
    }
}

void CHighscoreCollection::TryGameFolder(const std::string& path) {
    for (const Announcement& announcement : announcements)
        if (CompareNoCase(path, announcement.text) == 0)
            return;
    const std::size_t cut = path.rfind('\\');
    if (cut == std::string::npos || cut == 0)
        return;
    const std::string folderName = path.substr(cut + 1);
    if (folderName.empty())
        return;

    const std::string fileName = CompareNoCase(folderName, kMarbeloSmartphoneId) == 0
                                     ? std::string(kMarbeloSmartphoneFile)
                                     : FileNameForGame(GameNumberForId(folderName));
    auto source = std::make_unique<CHighscoreSource>(this, kHighscoreSalt, folderName, maxRecords);
    if (source->LoadFromDevice(path + "\\" + fileName) == READ_OK && source->Decode())
        sources.push_back(std::move(source));
}

void CHighscoreCollection::LoadAnnouncedSources() {
    islandsEntriesLoaded = 0;
    // An islands folder announced twice is loaded once, or its islands would be listed and
    // published twice. Paths compare as on the handheld: without regard to case, with or
    // without the closing backslash.
    std::vector<std::string_view> islandsFolders;
    auto folderOf = [](std::string_view path) {
        return path.ends_with('\\') ? path.substr(0, path.size() - 1) : path;
    };
    for (const Announcement& announcement : announcements) {
        if (announcement.kind == 1) {
            LoadNewHighscores(announcement.text);
            continue;
        }
        const std::string_view folder = folderOf(announcement.text);
        if (announcement.kind != 2 ||
            std::any_of(islandsFolders.begin(), islandsFolders.end(),
                        [&](std::string_view seen) { return CompareNoCase(seen, folder) == 0; }))
            continue;
        islandsFolders.push_back(folder);
        if (LoadIslands(announcement.text))
            ++islandsEntriesLoaded;
    }
}

void CHighscoreCollection::SortSources() {
    // Titles are compared as the user reads them, so each is converted once.
    std::vector<std::pair<QString, std::unique_ptr<CHighscoreSource>>> keyed;
    keyed.reserve(sources.size());
    for (std::unique_ptr<CHighscoreSource>& source : sources) {
        QString title = source ? QStringFromNarrow(source->GetTitle()) : QString();
        keyed.emplace_back(std::move(title), std::move(source));
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        return QString::compare(a.first, b.first, Qt::CaseInsensitive) < 0;
    });
    sources.clear();
    for (auto& entry : keyed)
        sources.push_back(std::move(entry.second));
}
