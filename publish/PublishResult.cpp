// The messages the user reads after a publish pass.
#include "publish/Upload.h"

namespace {

QString failure(const QString& title, const QString& rest) {
    return QStringLiteral("Error publishing ") + title + QStringLiteral(" highscores.\n") + rest;
}

} // namespace

UploadResult resultForReply(qint32 number) {
    static constexpr UploadResult kReplies[] = {
        UploadResult::Ok,
        UploadResult::BadData,
        UploadResult::DatabaseBusy,
        UploadResult::InsertFailed,
        UploadResult::UnknownGame,
        UploadResult::BadData,
        UploadResult::BadSignature,
        UploadResult::UserNotFound,
        UploadResult::BadPassword,
        UploadResult::BadEmail,
        UploadResult::TryLater,
        UploadResult::ServerInternal,
        UploadResult::IslandCompleted,
    };
    if (number < 0 || number >= qint32(std::size(kReplies)))
        return UploadResult::Unrecognized;
    return kReplies[number];
}

QString publishResultText(UploadResult result, const QString& title,
                          const DestinationSettings& destination) {
    const QString databaseLater =
        QStringLiteral("Server experiencing problems with database.\nPlease try again later.");
    switch (result) {
    case UploadResult::Ok:
        return QStringLiteral("All your highscores were successfully published to the \"%1\".")
            .arg(destination.server);
    case UploadResult::NoConnection:
        return failure(title, QStringLiteral("Server reports: Invalid server name: \"") +
                                  destination.server + QStringLiteral("\"."));
    case UploadResult::RequestFailed:
        return failure(title, QStringLiteral("Server reports: Invalid server/script path: \"") +
                                  destination.serverAndPath() +
                                  QStringLiteral("\".\nCheck Tools/Options."));
    case UploadResult::BadData:
        return failure(title, QStringLiteral("Server reports: Invalid data format."));
    case UploadResult::DatabaseBusy:
    case UploadResult::TryLater:
        return failure(title, databaseLater);
    case UploadResult::InsertFailed:
        return failure(title, QStringLiteral("Server experiencing problems with database.\n"
                                             "Error inserting into database."));
    case UploadResult::UnknownGame:
        return failure(title, QStringLiteral("Server reports:\nUnknown game application."));
    case UploadResult::Unrecognized:
        return failure(title, QStringLiteral("Server reports: Unrecognized error."));
    case UploadResult::NothingUploaded:
        return QStringLiteral("No highscores selected for uploading to server \"") +
               destination.server + QStringLiteral("\".");
    case UploadResult::Stopped:
        return QStringLiteral("Publishing was stopped.");
    case UploadResult::BadSignature:
        return failure(title, QStringLiteral("Server reports: Signature doesn't match."));
    case UploadResult::UserNotFound:
        return failure(title, QStringLiteral("Server reports: User not found. You have specified "
                                             "wrong email or you are not registered on "
                                             "server.\nCheck Tools/Options."));
    case UploadResult::BadPassword:
        return failure(title, QStringLiteral("Invalid password.\nCheck Tools/Options."));
    case UploadResult::BadEmail:
        return failure(title, QStringLiteral("Server reports: It seems that you are entered "
                                             "wrong email.\nCheck Tools/Options."));
    case UploadResult::ServerInternal:
        return failure(title, QStringLiteral("Server experiencing internal problems.\n"
                                             "Please try again later."));
    case UploadResult::IslandCompleted:
        return failure(title, QStringLiteral("Please do not use old settings.ino file for your "
                                             "new islands! Your current island have the same ID "
                                             "as one of completed islands, so we can't upload it "
                                             "into ") +
                                  title + u'.');
    case UploadResult::NothingToSend:
        break;
    }
    return failure(title, QStringLiteral("Server reports: Unexpected error occured.\n"
                                         "Please try again later."));
}
