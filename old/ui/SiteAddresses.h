#pragma once

// Host names of the web pages the program opens. The program uploads only to the script URLs
// in the profile; these are for the pages a user reads.
inline constexpr const char* kCommunityHost = "www.ludora-highscores.example";
inline constexpr const char* kIslandsHost = "www.zelkskyholm.example";
inline constexpr const char* kMakerHost = "www.zelkora.example";
