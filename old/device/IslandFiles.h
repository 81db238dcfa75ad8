#pragma once

#include "scores/ByteBuffer.h"

#include <QString>

#include <cstdint>
#include <string>

class CIslandsSource;

// One island file read from the handheld.
struct IslandFile {
    std::u16string path;      // full handheld path
    std::int32_t number = -1; // from the file name's extension; -1 when it has none
    ByteBuffer bytes;         // the whole file as stored
    std::string name;         // first header text, "" for a file shorter than the header
    std::string text2;        // second header text: the island's id
    bool chosen = false;      // goes into the current upload
    bool published = false;   // an upload that held it succeeded
    bool done = false;        // its file was deleted from the handheld
};

// Size of the masked island header and the mask of its bytes.
inline constexpr std::uint32_t kIslandHeaderBytes = 200;
inline constexpr std::uint8_t kIslandHeaderMask = 0x6D;

// Reads every file of the handheld folder into the source's island list. One file that cannot
// be read fails the whole folder (the list is emptied). Returns a READ_ code.
int LoadIslandFolder(CIslandsSource& source, const std::string& folder);
// Reads one file and appends it to the source's island list. Returns a READ_ code.
int ReadIslandFile(CIslandsSource& source, const std::u16string& path);
// The number in a file name's extension ("island.3" gives 3); -1 when there is none.
std::int32_t IslandNumberFromPath(std::u16string_view path);
// Takes the two texts from the file's header; false when the file is shorter than it.
bool ReadIslandHeader(IslandFile& island);
// Deletes from the handheld the files of islands that an earlier publish marked, and drops
// them from the list. Returns 1 when every marked island could be deleted.
int DeleteMarkedIslands(CIslandsSource& source);
void ClearIslandFiles(CIslandsSource& source);

// Lowercase hex MD5 of an island file's bytes, as remembered when it is published.
QString IslandDigest(const IslandFile& island);
