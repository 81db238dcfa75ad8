#pragma once

// Host names of the web pages the program points the user to. Uploads go only to the script
// URLs in the profile; these are for the pages a user reads.

inline constexpr char kCommunityHost[] = "www.ludora-highscores.example";
inline constexpr char kIslandsHost[] = "www.zelkskyholm.example";
inline constexpr char kMakerHost[] = "www.zelkora.example";
