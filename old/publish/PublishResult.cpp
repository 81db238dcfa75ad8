#include "publish/PublishResult.h"

namespace {

const char* const kErrorLead = "Error publishing ";
const char* const kHighscores = " highscores.\n";

std::string Failure(const std::string& title, const std::string& rest) {
    return kErrorLead + title + kHighscores + rest;
}

} // namespace

std::string FormatPublishResult(int code, const std::string& title, const std::string& server,
                                const std::string& serverAndPath) {
    switch (code) {
    case UPLOAD_OK:
        return "All your highscores were successfully published to the \"" + server + "\".";
    case UPLOAD_NO_CONNECTION:
        return Failure(title, "Server reports: Invalid server name: \"" + server + "\".");
    case UPLOAD_REQUEST_FAILED:
        return Failure(title, "Server reports: Invalid server/script path: \"" + serverAndPath +
                                  "\".\nCheck Tools/Options.");
    case UPLOAD_BAD_DATA:
        return Failure(title, "Server reports: Invalid data format.");
    case UPLOAD_DB_BUSY:
    case UPLOAD_DB_TRY_LATER:
        return Failure(title,
                       "Server experiencing problems with database.\nPlease try again later.");
    case UPLOAD_DB_INSERT_FAILED:
        return Failure(title, "Server experiencing problems with database.\nError inserting into "
                              "database.");
    case UPLOAD_UNKNOWN_GAME:
        return Failure(title, "Server reports:\nUnknown game application.");
    case UPLOAD_UNRECOGNIZED:
        return Failure(title, "Server reports: Unrecognized error.");
    case PUBLISH_NOTHING_UPLOADED:
        return "No highscores selected for uploading to server \"" + server + "\".";
    case PUBLISH_STOPPED:
        return "Publishing was stopped.";
    case UPLOAD_BAD_SIGNATURE:
        return Failure(title, "Server reports: Signature doesn't match.");
    case UPLOAD_USER_NOT_FOUND:
        return Failure(title, "Server reports: User not found. You have specified wrong email or "
                              "you are not registered on server.\nCheck Tools/Options.");
    case UPLOAD_BAD_PASSWORD:
        return Failure(title, "Invalid password.\nCheck Tools/Options.");
    case UPLOAD_BAD_EMAIL:
        return Failure(title, "Server reports: It seems that you are entered wrong email.\nCheck "
                              "Tools/Options.");
    case UPLOAD_SERVER_INTERNAL:
        return Failure(title, "Server experiencing internal problems.\nPlease try again later.");
    case UPLOAD_ISLAND_COMPLETED:
        return Failure(title, "Please do not use old settings.ino file for your new islands! "
                              "Your current island have the same ID as one of completed "
                              "islands, so we can't upload it into " +
                                  title + ".");
    default:
        return Failure(title, "Server reports: Unexpected error occured.\nPlease try again later.");
    }
}
