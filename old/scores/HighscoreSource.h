#pragma once

#include "scores/ByteBuffer.h"
#include "scores/RecordTable.h"

#include <cstdint>
#include <string>
#include <vector>

class CHighscoreCollection;
class CSettings;

enum Destination : int {
    DEST_COMMUNITY = 1, // the community highscores site
    DEST_ISLANDS = 2,   // the islands game's own site
};

enum ReadResult : int {
    READ_OK = 0,
    READ_OPEN_FAILED = 2,
    READ_SHORT = 3,
    READ_NO_MEMORY = 6,
};

// Salt appended to a table's text before its digest.
inline constexpr const char* kHighscoreSalt = "4KQW71ZP8";

// One highscore table found on the handheld. The virtual operations keep a fixed order that
// the scan, the tree and the publish run rely on.
class CHighscoreSource {
public:
    CHighscoreSource(CHighscoreCollection* collection, const std::string& salt,
                     const std::string& name, std::int32_t limit);
    CHighscoreSource(const CHighscoreSource&) = delete;
    CHighscoreSource& operator=(const CHighscoreSource&) = delete;

    virtual ~CHighscoreSource();
    // Reads the handheld file at path into data; a READ_ code.
    virtual int LoadFromDevice(const std::string& path);
    // Decodes data into the table; true when the source is usable.
    virtual bool Decode();
    // Told after this source's upload: true after success. False when what a successful
    // upload leaves to do later could not be recorded in the profile.
    virtual bool OnPublishResult(bool ok);
    virtual std::string GetTitle() const;
    virtual int GetDestination() const;
    virtual bool HasData() const;
    virtual std::int32_t GetGameNumber() const;
    // Entry iteration for the tree: FirstEntry, then GetEntryText and NextEntry while true.
    virtual bool FirstEntry();
    virtual bool NextEntry();
    // Text of the current entry; false (and "") for an entry the tree hides.
    virtual bool GetEntryText(std::string& out);
    // The upload data of the chosen entries, appended to out; false when there is nothing.
    virtual bool BuildUploadBody(const CSettings& settings, ByteBuffer& out);
    // The connection settings of this source's destination.
    virtual bool GetUploadTarget(const CSettings& settings, std::string& server,
                                 std::uint32_t& port, std::string& userName, std::string& password,
                                 std::string& scriptPath);

    // The entries the user checked, as indices into the record table (hidden ones count).
    void ClearChosen() { chosen.clear(); }
    void AddChosen(std::uint32_t index) { chosen.push_back(index); }
    bool HasChosen() const { return !chosen.empty(); }
    const std::vector<std::uint32_t>& Chosen() const { return chosen; }
    // The chosen indices as "0,3,4", without terminator.
    void ChosenAsText(ByteBuffer& out) const;

    const std::string& Name() const { return name; }
    CHighscoreCollection* Collection() const { return collection; }

    // Empties data and resets the table, as before a load.
    void ResetForLoad();

    ByteBuffer data;
    RecordTable table;

protected:
    // Table layout of the upload data, with the given e-mail address.
    bool BuildTableUploadBody(const std::string& email, ByteBuffer& out) const;

    CHighscoreCollection* collection;
    std::string name;
    std::vector<std::uint32_t> chosen;
};
