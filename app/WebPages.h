#pragma once

// The web pages the program opens in the browser. The program uploads only to the script
// URLs in the profile; these are for the pages a user reads.

inline constexpr char kCommunityScoresPage[] = "http://www.ludora-highscores.example/scores/";
inline constexpr char kIslandsScoresPage[] = "http://www.zelkskyholm.example/high_scores.php";
inline constexpr char kIslandsHost[] = "www.zelkskyholm.example";
inline constexpr char kIslandsRegistrationPage[] = "http://www.zelkskyholm.example/scorvane.php";
inline constexpr char kMakerHost[] = "www.zelkora.example";
inline constexpr char kProductsPage[] = "http://www.zelkora.example/products/";
