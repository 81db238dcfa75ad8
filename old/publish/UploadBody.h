#pragma once

// The upload data of a highscore source and the text encoding that carries it as the body of
// the upload request.

#include "scores/ByteBuffer.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The islands site's client token, the first line of every islands upload.
inline constexpr const char* kIslandsClientToken = "C7E20B94";
// Ends the island list of an islands upload.
inline constexpr std::uint32_t kIslandsEndMark = 0x3C8E6A27;

class DestinationSettings;

// Copies a destination's connection settings into the outputs of GetUploadTarget.
void CopyUploadTarget(const DestinationSettings& target, std::string& server, std::uint32_t& port,
                      std::string& userName, std::string& password, std::string& scriptPath);

// One island file as the islands upload sees it.
struct IslandUploadItem {
    std::string_view bytes; // the whole file as read from the handheld
    bool done = false;      // already deleted from the handheld: never sent
};

// Builds the islands layout: the client token, the header line, "email:password", a zero
// byte, then for every island that is chosen, not done and not empty its byte count (32-bit
// little-endian) and bytes, then a zero count and the end mark.
//
// chosen receives one flag per island: set for the islands that chosenEntries names (indices
// at or beyond the number of islands are ignored). The islands source keeps these flags to
// learn, after the upload, which islands were sent.
//
// False, with nothing appended, when there are no islands, or when the buffer could not grow
// (then out is cleared rather than sent with a piece missing).
bool BuildIslandsUploadBody(const std::string& email, const std::string& password,
                            const std::vector<std::uint32_t>& chosenEntries,
                            const std::vector<IslandUploadItem>& islands, std::vector<bool>& chosen,
                            ByteBuffer& out);

// Size of the output EncodeBody needs for n input bytes, terminating zero included.
std::size_t EncodedLength(std::size_t n);

// Encodes n bytes with the program's Base64 variant (alphabet A-Z a-z 0-9 "_" "-", pad ".")
// into out, followed by a zero byte, writing at most capacity bytes. Input that does not fit
// in whole groups of four characters is left out.
void EncodeBody(char* out, std::size_t capacity, const std::uint8_t* in, std::size_t n);

// The encoded text of the bytes, without the terminating zero.
std::string EncodeBody(std::string_view bytes);

// The bytes whose encoded text is exactly text; empty for any text EncodeBody cannot produce
// (a character outside the alphabet, a length that is no multiple of four, a pad anywhere but
// at the end, or unused bits that are not zero).
std::optional<std::string> DecodeBody(std::string_view text);

// The islands upload's second line, the header text: "1001|10|Zelk Skyholm".
std::string IslandsHeaderText();
