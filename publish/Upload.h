#pragma once

// The HTTP upload of one source: one POST of the encoded upload data to the destination's
// script, with the content type multipart/form-data and the user agent "Scorvane"; the site's
// reply becomes a result. Redirects are not followed; an https script URL is uploaded to over
// TLS.

#include "profile/Settings.h"

#include <QByteArray>
#include <QList>
#include <QSslCertificate>
#include <chrono>
#include <stop_token>

enum class UploadResult {
    Ok = 0,               // the site accepted the highscores
    NothingToSend = 1,    // no upload data; nothing was sent
    NoConnection = 2,     // the server name is no usable host
    RequestFailed = 3,    // not reached, no reply, or a reply that is not understood
    BadData = 4,          // reply 1 or 5
    DatabaseBusy = 5,     // reply 2
    InsertFailed = 6,     // reply 3
    UnknownGame = 7,      // reply 4
    Unrecognized = 8,     // a reply number outside 0 to 12
    NothingUploaded = 9,  // a publish pass uploaded nothing and nothing failed
    BadSignature = 10,    // reply 6
    UserNotFound = 11,    // reply 7
    BadPassword = 12,     // reply 8
    BadEmail = 13,        // reply 9
    TryLater = 14,        // reply 10
    ServerInternal = 15,  // reply 11
    IslandCompleted = 16, // reply 12
    Stopped = 17,         // the user stopped the publish; counts as failed
};

// The result for a reply number: 0 is Ok, 1 to 12 map as listed, anything else Unrecognized.
UploadResult resultForReply(qint32 number);

struct UploadOptions {
    // An exchange in which nothing moves for this long is given up (RequestFailed).
    std::chrono::milliseconds transferTimeout{60000};
    // Certificates trusted for TLS besides the system's own.
    QList<QSslCertificate> caCertificates;
    // A stop asked for (from any thread) abandons the exchange at once (Stopped).
    std::stop_token stop;
};

// Posts data, encoded, to the destination's script and maps the reply. Blocks the calling
// thread, which must not be running an event loop of its own.
UploadResult postUpload(const DestinationSettings& destination, const QByteArray& data,
                        const UploadOptions& options = {});

// The message for a result. title is the failed (or last) source's title.
QString publishResultText(UploadResult result, const QString& title,
                          const DestinationSettings& destination);
