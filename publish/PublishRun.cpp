#include "publish/PublishRun.h"

#include "publish/SiteAddresses.h"

#include <thread>
#include <utility>

namespace {

// The pause between two uploads.
constexpr std::chrono::milliseconds kUploadPause{10};

const DestinationSettings& settingsFor(const Settings& settings, Destination destination) {
    return destination == Destination::Community ? settings.community : settings.islands;
}

} // namespace

QString emailPromptText() {
    return QStringLiteral("To be able to take part in contests and giveaways on ") +
           QLatin1String(kCommunityHost) +
           QStringLiteral(" , you should specify your email address. Please note that your "
                          "email address will not be displayed anywhere on the website. Would "
                          "you like to specify your email address now?");
}

PublishRun::PublishRun(const Settings& settings, IslandMarks& marks)
    : m_settings(settings), m_marks(marks) {}

void PublishRun::addSource(std::shared_ptr<HighscoreSource> source, QList<quint32> checked) {
    if (!checked.isEmpty())
        m_selected.append({std::move(source), std::move(checked)});
}

int PublishRun::countFor(Destination destination) const {
    int count = 0;
    for (const Selected& selected : m_selected)
        if (selected.source->destination() == destination)
            ++count;
    return count;
}

bool PublishRun::prepare(PublishPrompts& prompts) {
    const bool community = countFor(Destination::Community) > 0;
    const bool islands = countFor(Destination::Islands) > 0;
    if ((community && m_settings.community.server.isEmpty()) ||
        (islands && m_settings.islands.server.isEmpty())) {
        prompts.showMessage({QString::fromLatin1(kNoServerText)});
        return false;
    }
    while (community && m_settings.community.email.isEmpty()) {
        const PromptAnswer answer = prompts.askYesNoCancel(emailPromptText());
        if (answer == PromptAnswer::Cancel)
            return false;
        if (answer == PromptAnswer::No)
            break;
        if (answer == PromptAnswer::Yes && !prompts.runOptions(m_settings, Site::Community))
            return false;
    }
    while (islands && m_settings.islands.email.isEmpty()) {
        const PromptAnswer answer = prompts.showMessage({QString::fromLatin1(kIslandsOptionsText)});
        if (answer == PromptAnswer::Cancel)
            return false;
        if (answer == PromptAnswer::No)
            break;
        if (!prompts.runOptions(m_settings, Site::Islands) || m_settings.islands.email.isEmpty()) {
            prompts.showMessage({QString::fromLatin1(kIslandsAbortText), MessageIcon::Stop});
            return false;
        }
    }
    return true;
}

PublishRun::PassResult PublishRun::runPass(Destination destination, std::stop_token stop,
                                           const Uploader& upload) {
    const DestinationSettings& target = settingsFor(m_settings, destination);
    PassResult pass;
    pass.result = UploadResult::Ok;
    bool uploaded = false;
    for (const Selected& selected : m_selected) {
        HighscoreSource& source = *selected.source;
        pass.title = source.title();
        if (source.destination() != destination)
            continue;
        if (!source.isEmpty()) {
            if (stop.stop_requested()) {
                pass.result = UploadResult::Stopped;
            } else if (const auto data = source.uploadData(m_settings, selected.checked)) {
                pass.result = upload(target, *data, stop);
            } else {
                pass.result = UploadResult::NothingToSend;
            }
            const bool ok = pass.result == UploadResult::Ok;
            if (!source.published(ok, selected.checked, m_marks))
                pass.marksRecorded = false;
            if (!ok)
                break;
            uploaded = true;
        }
        std::this_thread::sleep_for(kUploadPause);
    }
    if (pass.result == UploadResult::Ok && !uploaded)
        pass.result = UploadResult::NothingUploaded;
    return pass;
}

void PublishRun::run(std::stop_token stop, const Uploader& upload) {
    const Uploader send = upload ? upload
                                 : [](const DestinationSettings& destination,
                                      const QByteArray& data, std::stop_token stop) {
                                       UploadOptions options;
                                       options.stop = std::move(stop);
                                       return postUpload(destination, data, options);
                                   };
    m_community = runPass(Destination::Community, stop, send);
    m_islands = runPass(Destination::Islands, stop, send);
}

QList<PublishMessage> PublishRun::completionMessages() const {
    if (m_community.result == UploadResult::NothingUploaded &&
        m_islands.result == UploadResult::NothingUploaded)
        return {{QString::fromLatin1(kNothingSelectedText)}};
    const std::tuple<Destination, const PassResult&, const DestinationSettings&> passes[] = {
        {Destination::Community, m_community, m_settings.community},
        {Destination::Islands, m_islands, m_settings.islands},
    };
    QList<PublishMessage> messages;
    bool stopTold = false;
    for (const auto& [destination, pass, target] : passes) {
        if (countFor(destination) == 0 || pass.result == UploadResult::NothingUploaded)
            continue;
        // Once is enough: the pass after a stop ends at its first upload.
        if (pass.result == UploadResult::Stopped && std::exchange(stopTold, true))
            continue;
        QString text = publishResultText(pass.result, pass.title, target);
        if (!pass.marksRecorded)
            text += u'\n' + QString::fromLatin1(kNotRecordedText);
        messages.append(
            {text, pass.result == UploadResult::Ok ? MessageIcon::Information : MessageIcon::None});
    }
    return messages;
}

bool PublishRun::succeeded() const {
    auto fine = [](UploadResult result) {
        return result == UploadResult::Ok || result == UploadResult::NothingUploaded;
    };
    return fine(m_community.result) && fine(m_islands.result);
}
