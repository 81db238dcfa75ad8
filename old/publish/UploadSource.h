#pragma once

// The HTTP upload of one highscore source: one POST to the destination's upload script, its
// body the encoded upload data; the server's reply becomes a result code (PublishResult.h).
// Runs on any thread that has no event loop of its own running: it blocks the calling thread,
// running a local event loop until the exchange ends.

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <cstdint>
#include <stop_token>
#include <string>

class CHighscoreSource;
class CSettings;

struct UploadOptions {
    // An exchange in which nothing moves for this long is given up (result 3).
    int transferTimeoutMs = 60000;
    // Certificates trusted for TLS besides the system's own.
    QList<QSslCertificate> caCertificates;
    // A stop asked for here (from any thread) abandons the exchange at once: PUBLISH_STOPPED.
    std::stop_token stop;
};

// Where one upload goes.
struct UploadTarget {
    std::string server; // host, optionally with ":port"
    std::uint32_t port = 80;
    std::string userName;
    std::string password;
    std::string scriptPath;
    bool secure = false; // over TLS
};

// Asks the source for its upload data and target, encodes the data and posts it; a result
// code. UPLOAD_NOTHING_TO_SEND without any traffic when the source has nothing to send.
int UploadSource(CHighscoreSource& source, const CSettings& settings,
                 const UploadOptions& options = UploadOptions());

// Posts an already encoded body to the target and maps the reply; a result code.
int PostUpload(const UploadTarget& target, const QByteArray& body,
               const UploadOptions& options = UploadOptions());
