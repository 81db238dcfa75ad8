#pragma once

// Result codes of one upload and of a publish pass, and the texts the user sees for them.

#include <string>

enum PublishResult : int {
    UPLOAD_OK = 0,                // the server accepted the highscores
    UPLOAD_NOTHING_TO_SEND = 1,   // no upload data or no target; nothing was sent
    UPLOAD_NO_CONNECTION = 2,     // no connection could be set up for the server name
    UPLOAD_REQUEST_FAILED = 3,    // the server could not be reached or its reply not understood
    UPLOAD_BAD_DATA = 4,          // reply 1 or 5
    UPLOAD_DB_BUSY = 5,           // reply 2
    UPLOAD_DB_INSERT_FAILED = 6,  // reply 3
    UPLOAD_UNKNOWN_GAME = 7,      // reply 4
    UPLOAD_UNRECOGNIZED = 8,      // a reply number outside 0 to 12
    PUBLISH_NOTHING_UPLOADED = 9, // a publish pass uploaded nothing and nothing failed
    UPLOAD_BAD_SIGNATURE = 10,    // reply 6
    UPLOAD_USER_NOT_FOUND = 11,   // reply 7
    UPLOAD_BAD_PASSWORD = 12,     // reply 8
    UPLOAD_BAD_EMAIL = 13,        // reply 9
    UPLOAD_DB_TRY_LATER = 14,     // reply 10
    UPLOAD_SERVER_INTERNAL = 15,  // reply 11
    UPLOAD_ISLAND_COMPLETED = 16, // reply 12
    PUBLISH_STOPPED = 17,         // the user stopped the publish; an upload under way was dropped
};

// The message for a result code. title is the failed (or last) source's display name, server
// the destination's server, serverAndPath its server immediately followed by the script path.
std::string FormatPublishResult(int code, const std::string& title, const std::string& server,
                                const std::string& serverAndPath);
