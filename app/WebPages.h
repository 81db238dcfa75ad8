#pragma once

#include <string>

// The web sites the program links to. The host names live here and nowhere else; every page
// is "http://" + host + path.

inline constexpr const char* kCommunityHost = "www.ludora-highscores.example";
inline constexpr const char* kIslandsHost = "www.zelkskyholm.example";
inline constexpr const char* kProductsHost = "www.zelkora.example";

inline std::string WebPageUrl(const char* host, const char* path) {
    return std::string("http://") + host + path;
}

// The community site's scores page.
inline std::string CommunityScoresPage() {
    return WebPageUrl(kCommunityHost, "/scores/");
}
// The islands site's scores page.
inline std::string IslandsScoresPage() {
    return WebPageUrl(kIslandsHost, "/high_scores.php");
}
// The maker's products page.
inline std::string ProductsPage() {
    return WebPageUrl(kProductsHost, "/products/");
}
