#pragma once

// One publish run as both front ends drive it:
//
//   1. the front end selects the sources with the entries the user checked (AddSource),
//   2. Prepare checks the servers and e-mail addresses, asking through the prompts,
//   3. RunPasses uploads, destination 1 then destination 2 (on a worker thread in the
//      desktop program),
//   4. CompletionMessages gives the texts to show, in order.
//
// The run works on its own copy of the settings, so a worker never reads strings that an
// Options dialog on another thread is replacing.

#include "ui/Settings.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

class CHighscoreSource;

enum class MessageIcon {
    Plain,       // no icon
    Information, // the information icon
    Stop,        // the stop sign
};

enum class PromptAnswer { Ok, Yes, No, Cancel };

struct PublishMessage {
    std::string text;
    MessageIcon icon = MessageIcon::Plain;

    bool operator==(const PublishMessage&) const = default;
};

// How a run asks the user. Message boxes are captioned with the program's name.
class IPublishPrompts {
public:
    virtual ~IPublishPrompts() = default;
    // A message with an OK button. Ok normally; Cancel when the user dismissed it otherwise.
    virtual PromptAnswer ShowMessage(const PublishMessage& message) = 0;
    // A question with Yes, No and Cancel buttons.
    virtual PromptAnswer AskYesNoCancel(const std::string& text) = 0;
    // Runs the Options dialog. True when it ended with OK; settings then holds what it saved.
    virtual bool RunOptionsDialog(CSettings& settings) = 0;
};

inline constexpr const char* kNoServerText =
    "Server name is not specified. Check the application is installed properly.";
inline constexpr const char* kIslandsOptionsText = "Please fill ZelkSkyholm options.";
inline constexpr const char* kIslandsAbortText = "Zelk Skyholm highscores publish aborted.";
inline constexpr const char* kNothingSelectedText = "No highscores selected";
// Added to a destination's completion message when a successful upload could not be noted in
// the profile (the islands' deletion marks).
inline constexpr const char* kNotRecordedText =
    "The profile could not be saved, so the published islands stay on the handheld and will "
    "be offered for publishing again.";

// The question asked when the community e-mail address is missing.
std::string EmailPromptText(const std::string& communityHost);

class CPublishRun {
public:
    // Uploads one source with the run's settings; a result code.
    using Uploader = std::function<int(CHighscoreSource& source, const CSettings& settings)>;
    // The fixed pause between uploads.
    using Pause = std::function<void()>;

    explicit CPublishRun(const CSettings& settings);

    // Sets the source's chosen entries to the checked ones (in tree order) and selects the
    // source when there is at least one. The source's earlier choice is cleared either way.
    void AddSource(CHighscoreSource& source, const std::vector<std::uint32_t>& checkedEntries);

    // The server and e-mail checks with their prompts. False when the run stops here; the
    // messages already shown went through the prompts.
    bool Prepare(IPublishPrompts& prompts);

    // Both passes. Pass 2 runs even when pass 1 failed. Without an uploader the sources go
    // through UploadSource; without a pause the run sleeps 10 ms.
    void RunPasses(const Uploader& upload = Uploader(), const Pause& pause = Pause());

    // The messages to show after the passes, in order, with their icons.
    std::vector<PublishMessage> CompletionMessages() const;

    // How many selected sources go to destination 1 or 2.
    int CountForDestination(int destination) const;
    // True when no pass failed (each result is 0 or 9).
    bool Succeeded() const;

    const CSettings& Settings() const { return settings; }
    const std::vector<CHighscoreSource*>& Selected() const { return selected; }

    int result1 = 0;
    int result2 = 0;
    CHighscoreSource* current1 = nullptr;
    CHighscoreSource* current2 = nullptr;
    // Destinations with a successful upload whose outcome could not be recorded.
    std::set<int> unrecorded;

private:
    void RunPass(int destination, int& result, CHighscoreSource*& current, const Uploader& upload,
                 const Pause& pause);

    CSettings settings;
    std::vector<CHighscoreSource*> selected;
};
