#pragma once

// One publish run as both front ends drive it:
//
//   1. the front end adds each source with the entries the user checked (addSource),
//   2. prepare() checks the servers and e-mail addresses, asking through the prompts,
//   3. run() uploads, destination 1 then destination 2 (on a worker in the desktop program),
//   4. completionMessages() gives the texts to show, in order.
//
// The run works on its own copy of the settings, so a worker never reads settings that an
// Options dialog is replacing.

#include "download/HighscoreSource.h"
#include "profile/Settings.h"
#include "publish/Upload.h"

#include <functional>
#include <memory>
#include <stop_token>

class IslandMarks;

enum class MessageIcon { None, Information, Stop };

inline constexpr char kNoServerText[] =
    "Server name is not specified. Check the application is installed properly.";
inline constexpr char kIslandsOptionsText[] = "Please fill ZelkSkyholm options.";
inline constexpr char kIslandsAbortText[] = "Zelk Skyholm highscores publish aborted.";
inline constexpr char kNothingSelectedText[] = "No highscores selected";
// Added to a destination's completion message when a successful upload could not be noted in
// the profile (the islands' deletion marks).
inline constexpr char kNotRecordedText[] =
    "The profile could not be saved, so the published islands stay on the handheld and will "
    "be offered for publishing again.";

// The question asked when the community e-mail address is missing.
QString emailPromptText();
enum class PromptAnswer { Ok, Yes, No, Cancel };

struct PublishMessage {
    QString text;
    MessageIcon icon = MessageIcon::None;

    bool operator==(const PublishMessage&) const = default;
};

// How a run asks the user.
class PublishPrompts {
public:
    virtual ~PublishPrompts() = default;
    // A message with an OK button: Ok, or Cancel when the user dismissed it otherwise.
    virtual PromptAnswer showMessage(const PublishMessage& message) = 0;
    // A question with Yes, No and Cancel.
    virtual PromptAnswer askYesNoCancel(const QString& text) = 0;
    // Runs the Options dialog to fill in the missing address; true when it ended with OK,
    // and settings then holds what it saved.
    virtual bool runOptions(Settings& settings, Site missing) = 0;
};

class PublishRun {
public:
    // Uploads one source's data to a destination.
    using Uploader = std::function<UploadResult(const DestinationSettings& destination,
                                                const QByteArray& data, std::stop_token stop)>;

    PublishRun(const Settings& settings, IslandMarks& marks);

    // Selects the source when at least one of its entries is checked (indices in tree order).
    void addSource(std::shared_ptr<HighscoreSource> source, QList<quint32> checked);
    // The server and e-mail checks with their prompts. False when the run stops here; the
    // messages were shown through the prompts.
    bool prepare(PublishPrompts& prompts);
    // Both passes; pass 2 runs even when pass 1 failed; 10 ms between uploads. Without an
    // uploader the data goes out through postUpload.
    void run(std::stop_token stop = {}, const Uploader& upload = {});
    // The messages to show after run(), in order, with their icons.
    QList<PublishMessage> completionMessages() const;
    // True when no pass failed.
    bool succeeded() const;
    // A pass's result after run(): NothingUploaded when it uploaded nothing and nothing failed.
    UploadResult result(Destination destination) const {
        return destination == Destination::Community ? m_community.result : m_islands.result;
    }

    const Settings& settings() const { return m_settings; }

private:
    struct Selected {
        std::shared_ptr<HighscoreSource> source;
        QList<quint32> checked;
    };
    struct PassResult {
        UploadResult result = UploadResult::NothingUploaded;
        QString title;             // the failed (or last) source's title
        bool marksRecorded = true; // what a successful upload must remember was written
    };
    int countFor(Destination destination) const;
    PassResult runPass(Destination destination, std::stop_token stop, const Uploader& upload);

    Settings m_settings;
    IslandMarks& m_marks;
    QList<Selected> m_selected;
    PassResult m_community;
    PassResult m_islands;
};
