#pragma once

// The web pages the program opens in the browser: "http://" + host + path.

#include "publish/SiteAddresses.h"

#include <QString>

inline QString webPage(const char* host, const char* path) {
    return QStringLiteral("http://") + QLatin1String(host) + QLatin1String(path);
}

inline QString communityScoresPage() {
    return webPage(kCommunityHost, "/scores/");
}
inline QString islandsScoresPage() {
    return webPage(kIslandsHost, "/high_scores.php");
}
inline QString productsPage() {
    return webPage(kMakerHost, "/products/");
}
inline QString islandsRegistrationPage() {
    return webPage(kIslandsHost, "/scorvane.php");
}
