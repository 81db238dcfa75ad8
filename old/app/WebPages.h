#pragma once

#include "ui/SiteAddresses.h"

#include <string>

// The web pages the program opens in the browser: "http://" + host + path.

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
    return WebPageUrl(kMakerHost, "/products/");
}
