#include "publish/PublishRun.h"

#include "publish/PublishResult.h"
#include "publish/UploadSource.h"
#include "scores/HighscoreSource.h"

#include "ui/SiteAddresses.h"

#include <chrono>
#include <thread>
#include <utility>

std::string EmailPromptText(const std::string& communityHost) {
    return "To be able to take part in contests and giveaways on " + communityHost +
           " , you should specify your email address. Please note that your email address "
           "will not be displayed anywhere on the website. Would you like to specify your "
           "email address now?";
}

CPublishRun::CPublishRun(const CSettings& settings) : settings(settings) {}

void CPublishRun::AddSource(CHighscoreSource& source,
                            const std::vector<std::uint32_t>& checkedEntries) {
    source.ClearChosen();
    for (std::uint32_t index : checkedEntries)
        source.AddChosen(index);
    if (!checkedEntries.empty())
        selected.push_back(&source);
}

int CPublishRun::CountForDestination(int destination) const {
    int count = 0;
    for (const CHighscoreSource* source : selected) {
        if (source->GetDestination() == destination)
            ++count;
    }
    return count;
}

bool CPublishRun::Prepare(IPublishPrompts& prompts) {
    const int count1 = CountForDestination(DEST_COMMUNITY);
    const int count2 = CountForDestination(DEST_ISLANDS);

    if ((count1 > 0 && settings.community.server.empty()) ||
        (count2 > 0 && settings.islands.server.empty())) {
        prompts.ShowMessage({kNoServerText, MessageIcon::Plain});
        return false;
    }

    if (count1 > 0) {
        while (settings.community.email.empty()) {
            const PromptAnswer answer = prompts.AskYesNoCancel(EmailPromptText(kCommunityHost));
            if (answer == PromptAnswer::Cancel)
                return false;
            if (answer == PromptAnswer::No)
                break;
            if (answer == PromptAnswer::Yes && !prompts.RunOptionsDialog(settings))
                return false;
        }
    }

    if (count2 > 0) {
        while (settings.islands.email.empty()) {
            const PromptAnswer answer =
                prompts.ShowMessage({kIslandsOptionsText, MessageIcon::Plain});
            if (answer == PromptAnswer::Ok || answer == PromptAnswer::Yes) {
                if (!prompts.RunOptionsDialog(settings) || settings.islands.email.empty()) {
                    prompts.ShowMessage({kIslandsAbortText, MessageIcon::Stop});
                    return false;
                }
            } else if (answer == PromptAnswer::Cancel) {
                return false;
            } else if (answer == PromptAnswer::No) {
                break;
            }
        }
    }
    return true;
}

void CPublishRun::RunPass(int destination, int& result, CHighscoreSource*& current,
                          const Uploader& upload, const Pause& pause) {
    result = UPLOAD_OK;
    current = nullptr;
    bool uploaded = false;
    for (CHighscoreSource* source : selected) {
        if (result != UPLOAD_OK)
            break;
        current = source;
        if (source->GetDestination() != destination)
            continue;
        if (source->HasChosen() && source->HasData()) {
            result = upload(*source, settings);
            if (result != UPLOAD_OK) {
                source->OnPublishResult(false);
                break;
            }
            if (!source->OnPublishResult(true))
                unrecorded.insert(destination);
            uploaded = true;
        }
        pause();
    }
    if (result == UPLOAD_OK && !uploaded)
        result = PUBLISH_NOTHING_UPLOADED;
}

void CPublishRun::RunPasses(const Uploader& upload, const Pause& pause) {
    const Uploader send = upload ? upload : [](CHighscoreSource& source, const CSettings& s) {
        return UploadSource(source, s);
    };
    const Pause wait =
        pause ? pause : [] { std::this_thread::sleep_for(std::chrono::milliseconds(10)); };
    RunPass(DEST_COMMUNITY, result1, current1, send, wait);
    RunPass(DEST_ISLANDS, result2, current2, send, wait);
}

std::vector<PublishMessage> CPublishRun::CompletionMessages() const {
    std::vector<PublishMessage> messages;
    if (result1 == PUBLISH_NOTHING_UPLOADED && result2 == PUBLISH_NOTHING_UPLOADED) {
        messages.push_back({kNothingSelectedText, MessageIcon::Plain});
        return messages;
    }
    struct Pass {
        int destination;
        int result;
        const CHighscoreSource* current;
        const DestinationSettings& target;
    };
    const Pass passes[] = {{DEST_COMMUNITY, result1, current1, settings.community},
                           {DEST_ISLANDS, result2, current2, settings.islands}};
    bool stopTold = false;
    for (const Pass& pass : passes) {
        if (CountForDestination(pass.destination) == 0 || pass.result == PUBLISH_NOTHING_UPLOADED)
            continue;
        // Once is enough: a pass after a stop ends at its first upload.
        if (pass.result == PUBLISH_STOPPED && std::exchange(stopTold, true))
            continue;
        const std::string title = pass.current ? pass.current->GetTitle() : std::string();
        std::string text = FormatPublishResult(pass.result, title, pass.target.server,
                                               pass.target.GetServerAndPath());
        if (unrecorded.count(pass.destination))
            text += std::string("\n") + kNotRecordedText;
        messages.push_back(
            {text, pass.result == UPLOAD_OK ? MessageIcon::Information : MessageIcon::Plain});
    }
    return messages;
}

bool CPublishRun::Succeeded() const {
    auto fine = [](int result) {
        return result == UPLOAD_OK || result == PUBLISH_NOTHING_UPLOADED;
    };
    return fine(result1) && fine(result2);
}
