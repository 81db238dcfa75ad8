// The publish run: selection, the server and e-mail checks with their prompts, the two
// passes, and the messages shown at the end.
#include "publish/PublishRun.h"
#include "publish/PublishResult.h"
#include "scores/HighscoreSource.h"

#include <deque>
#include <gtest/gtest.h>
#include <map>

namespace {

class TestSource : public CHighscoreSource {
public:
    TestSource(const std::string& title, int destination, bool hasData = true)
        : CHighscoreSource(nullptr, kHighscoreSalt, title, 25), destination(destination) {
        table.title = title;
        if (hasData) {
            data.Append(title);
            data.AppendByte(0);
        }
    }
    int GetDestination() const override { return destination; }
    bool OnPublishResult(bool ok) override {
        outcomes.push_back(ok);
        return recorded;
    }

    int destination;
    bool recorded = true; // what OnPublishResult answers
    std::vector<bool> outcomes;
};

// Answers from a script and records what was shown.
class ScriptedPrompts : public IPublishPrompts {
public:
    PromptAnswer ShowMessage(const PublishMessage& message) override {
        shown.push_back(message);
        return Next(PromptAnswer::Ok);
    }
    PromptAnswer AskYesNoCancel(const std::string& text) override {
        shown.push_back({text, MessageIcon::Plain});
        ++questions;
        return Next(PromptAnswer::No);
    }
    bool RunOptionsDialog(CSettings& settings) override {
        ++dialogs;
        if (dialogResults.empty())
            return false;
        const bool ok = dialogResults.front();
        dialogResults.pop_front();
        if (ok) {
            settings.community.SetEmail(communityEmail);
            settings.islands.SetEmail(islandsEmail);
        }
        return ok;
    }

    std::deque<PromptAnswer> answers;
    std::deque<bool> dialogResults;
    std::string communityEmail;
    std::string islandsEmail;
    std::vector<PublishMessage> shown;
    int questions = 0;
    int dialogs = 0;

private:
    PromptAnswer Next(PromptAnswer fallback) {
        if (answers.empty())
            return fallback;
        const PromptAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

CSettings ReadySettings() {
    CSettings settings;
    settings.community.SetScriptUrl("ludora.example/hs/up.php");
    settings.community.SetEmail("c@ludora.example");
    settings.islands.SetScriptUrl("sky.example/up.php");
    settings.islands.SetEmail("i@sky.example");
    return settings;
}

// One run over one source, prepared with scripted answers and dialog results.
struct Attempt {
    Attempt(const CSettings& settings, CHighscoreSource& source, std::deque<PromptAnswer> answers,
            std::deque<bool> dialogs = {})
        : run(settings) {
        run.AddSource(source, {0});
        prompts.answers = std::move(answers);
        prompts.dialogResults = std::move(dialogs);
    }
    bool Prepare() { return run.Prepare(prompts); }

    CPublishRun run;
    ScriptedPrompts prompts;
};

// Uploads by table: the code for each source title (0 by default), and the order of calls.
struct FakeUploader {
    std::map<std::string, int> codes;
    std::vector<std::string> calls;
    std::vector<std::string> emails;
    int pauses = 0;

    void Run(CPublishRun& run) {
        run.RunPasses(
            [this](CHighscoreSource& source, const CSettings& settings) {
                calls.push_back(source.GetTitle());
                emails.push_back(settings.community.email);
                const auto found = codes.find(source.GetTitle());
                return found == codes.end() ? 0 : found->second;
            },
            [this] { ++pauses; });
    }
};

TEST(PublishRun, SelectsOnlySourcesWithCheckedEntriesButClearsEveryChoice) {
    TestSource a("A", DEST_COMMUNITY), b("B", DEST_COMMUNITY);
    b.AddChosen(9);
    CPublishRun run(ReadySettings());
    run.AddSource(a, {0, 2});
    run.AddSource(b, {});
    ASSERT_EQ(run.Selected(), (std::vector<CHighscoreSource*>{&a}));
    EXPECT_EQ(a.Chosen(), (std::vector<std::uint32_t>{0, 2}));
    EXPECT_FALSE(b.HasChosen());
}

TEST(PublishRun, NothingCheckedGivesOneMessageAndNoChecks) {
    CPublishRun run(CSettings{}); // no servers, no addresses
    ScriptedPrompts prompts;
    ASSERT_TRUE(run.Prepare(prompts));
    EXPECT_TRUE(prompts.shown.empty());
    FakeUploader uploader;
    uploader.Run(run);
    EXPECT_EQ(run.result1, PUBLISH_NOTHING_UPLOADED);
    EXPECT_EQ(run.result2, PUBLISH_NOTHING_UPLOADED);
    EXPECT_EQ(run.CompletionMessages(),
              (std::vector<PublishMessage>{{"No highscores selected", MessageIcon::Plain}}));
    EXPECT_TRUE(run.Succeeded());
}

TEST(PublishRun, MissingServerStopsBeforeAnyPrompt) {
    TestSource a("A", DEST_COMMUNITY), i("I", DEST_ISLANDS);
    CSettings settings = ReadySettings();
    settings.islands.server.clear();
    settings.community.email.clear();
    {
        CPublishRun run(settings);
        run.AddSource(a, {0});
        ScriptedPrompts prompts;
        EXPECT_TRUE(run.Prepare(prompts)); // only destination 1 is needed: asks for the e-mail
        EXPECT_EQ(prompts.questions, 1);
    }
    CPublishRun run(settings);
    run.AddSource(a, {0});
    run.AddSource(i, {0});
    ScriptedPrompts prompts;
    EXPECT_FALSE(run.Prepare(prompts));
    EXPECT_EQ(prompts.shown, (std::vector<PublishMessage>{{kNoServerText, MessageIcon::Plain}}));
}

TEST(PublishRun, EmailQuestionNamesTheCommunityHostAndHonoursEachAnswer) {
    TestSource a("A", DEST_COMMUNITY);
    CSettings settings = ReadySettings();
    settings.community.email.clear();

    { // No: goes on without an address.
        Attempt no(settings, a, {PromptAnswer::No});
        ASSERT_TRUE(no.Prepare());
        ASSERT_EQ(no.prompts.shown.size(), 1u);
        EXPECT_EQ(no.prompts.shown[0].text,
                  "To be able to take part in contests and giveaways on "
                  "www.ludora-highscores.example , you should specify your email address. Please "
                  "note that your email address will not be displayed anywhere on the website. "
                  "Would you like to specify your email address now?");
        FakeUploader uploader;
        uploader.Run(no.run);
        EXPECT_EQ(uploader.emails, (std::vector<std::string>{""}));
    }
    Attempt cancel(settings, a, {PromptAnswer::Cancel}); // stops without a further message
    EXPECT_FALSE(cancel.Prepare());
    EXPECT_EQ(cancel.prompts.shown.size(), 1u);
    Attempt noDialog(settings, a, {PromptAnswer::Yes}, {false}); // the dialog is cancelled
    EXPECT_FALSE(noDialog.Prepare());
    EXPECT_EQ(noDialog.prompts.dialogs, 1);
    { // Yes, and the dialog gives the address: goes on with it.
        Attempt yes(settings, a, {PromptAnswer::Yes}, {true});
        yes.prompts.communityEmail = "new@ludora.example";
        ASSERT_TRUE(yes.Prepare());
        EXPECT_EQ(yes.run.Settings().community.email, "new@ludora.example");
        FakeUploader uploader;
        uploader.Run(yes.run);
        // The passes use the run's own copy, with the address the dialog gave.
        EXPECT_EQ(uploader.emails, (std::vector<std::string>{"new@ludora.example"}));
    }
}

TEST(PublishRun, EmailQuestionRepeatsWhileTheDialogLeavesTheAddressEmpty) {
    TestSource a("A", DEST_COMMUNITY);
    CSettings settings = ReadySettings();
    settings.community.email.clear();
    Attempt attempt(settings, a, {PromptAnswer::Yes, PromptAnswer::No}, {true});
    ASSERT_TRUE(attempt.Prepare());
    EXPECT_EQ(attempt.prompts.questions, 2);
    EXPECT_EQ(attempt.prompts.dialogs, 1);
}

TEST(PublishRun, IslandsAccountPrompt) {
    TestSource i("I", DEST_ISLANDS);
    CSettings settings = ReadySettings();
    settings.islands.email.clear();
    const std::vector<PublishMessage> aborted = {{kIslandsOptionsText, MessageIcon::Plain},
                                                 {kIslandsAbortText, MessageIcon::Stop}};
    // The dialog cancelled, or left with an empty address: the abort message, with its icon.
    for (const bool dialogOk : {false, true}) {
        Attempt attempt(settings, i, {}, {dialogOk});
        EXPECT_FALSE(attempt.Prepare());
        EXPECT_EQ(attempt.prompts.shown, aborted);
    }
    Attempt dismissed(settings, i, {PromptAnswer::Cancel}); // stops without a message
    EXPECT_FALSE(dismissed.Prepare());
    EXPECT_EQ(dismissed.prompts.shown.size(), 1u);
    Attempt given(settings, i, {}, {true});
    given.prompts.islandsEmail = "me@sky.example";
    EXPECT_TRUE(given.Prepare());
    EXPECT_EQ(given.run.Settings().islands.email, "me@sky.example");
}

TEST(PublishRun, FirstFailureEndsItsPassAndNamesTheFailingSource) {
    TestSource a("A", DEST_COMMUNITY), b("B", DEST_COMMUNITY), i("I", DEST_ISLANDS);
    CPublishRun run(ReadySettings());
    run.AddSource(a, {0});
    run.AddSource(i, {1});
    run.AddSource(b, {0});
    FakeUploader uploader;
    uploader.codes["A"] = UPLOAD_UNKNOWN_GAME;
    uploader.Run(run);
    // Pass 2 still runs.
    EXPECT_EQ(uploader.calls, (std::vector<std::string>{"A", "I"}));
    EXPECT_EQ(run.result1, UPLOAD_UNKNOWN_GAME);
    EXPECT_EQ(run.current1, &a);
    EXPECT_EQ(run.result2, UPLOAD_OK);
    EXPECT_EQ(a.outcomes, (std::vector<bool>{false}));
    EXPECT_TRUE(b.outcomes.empty());
    EXPECT_EQ(i.outcomes, (std::vector<bool>{true}));
    // No pause after the failure, one after the island upload; sources of the other
    // destination are passed over without one.
    EXPECT_EQ(uploader.pauses, 1);
    EXPECT_FALSE(run.Succeeded());
    EXPECT_EQ(run.CompletionMessages(),
              (std::vector<PublishMessage>{
                  {FormatPublishResult(7, "A", "ludora.example", "ludora.example/hs/up.php"),
                   MessageIcon::Plain},
                  {FormatPublishResult(0, "", "sky.example", "sky.example/up.php"),
                   MessageIcon::Information}}));
}

TEST(PublishRun, SourcesWithoutDataAreSkippedAndCanLeaveAPassEmpty) {
    TestSource empty("E", DEST_COMMUNITY, false), i("I", DEST_ISLANDS);
    CPublishRun run(ReadySettings());
    run.AddSource(empty, {0});
    run.AddSource(i, {0});
    FakeUploader uploader;
    uploader.Run(run);
    EXPECT_EQ(uploader.calls, (std::vector<std::string>{"I"}));
    EXPECT_EQ(run.result1, PUBLISH_NOTHING_UPLOADED);
    EXPECT_TRUE(empty.outcomes.empty());
    // Skipped for lacking data still pauses; so does the island upload.
    EXPECT_EQ(uploader.pauses, 2);
    const auto messages = run.CompletionMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, MessageIcon::Information);
    EXPECT_NE(messages[0].text.find("sky.example"), std::string::npos);
    EXPECT_TRUE(run.Succeeded());
}

TEST(PublishRun, AStopIsToldOnceAndLeavesEarlierMessagesAlone) {
    const PublishMessage stopped{"Publishing was stopped.", MessageIcon::Plain};
    const PublishMessage sent{FormatPublishResult(0, "", "ludora.example", ""),
                              MessageIcon::Information};
    struct Case {
        int community, islands;
        std::vector<PublishMessage> messages;
    };
    for (const Case& c : {Case{PUBLISH_STOPPED, PUBLISH_STOPPED, {stopped}},
                          Case{UPLOAD_OK, PUBLISH_STOPPED, {sent, stopped}}}) {
        TestSource a("A", DEST_COMMUNITY), i("I", DEST_ISLANDS);
        CPublishRun run(ReadySettings());
        run.AddSource(a, {0});
        run.AddSource(i, {0});
        FakeUploader uploader;
        uploader.codes = {{"A", c.community}, {"I", c.islands}};
        uploader.Run(run);
        EXPECT_EQ(run.CompletionMessages(), c.messages);
        EXPECT_EQ(i.outcomes, std::vector<bool>{false}) << "a stopped upload failed";
    }
}

TEST(PublishRun, BothDestinationsSuccessfulGiveTwoInformationMessagesInOrder) {
    for (const bool recorded : {true, false}) {
        TestSource a("A", DEST_COMMUNITY), i("I", DEST_ISLANDS);
        i.recorded = recorded;
        CPublishRun run(ReadySettings());
        run.AddSource(i, {0});
        run.AddSource(a, {0});
        FakeUploader uploader;
        uploader.Run(run);
        // An upload whose outcome the profile could not keep says so.
        const std::string islands = FormatPublishResult(0, "", "sky.example", "") +
                                    (recorded ? "" : std::string("\n") + kNotRecordedText);
        EXPECT_EQ(run.CompletionMessages(),
                  (std::vector<PublishMessage>{
                      {FormatPublishResult(0, "", "ludora.example", ""), MessageIcon::Information},
                      {islands, MessageIcon::Information}}));
    }
}

} // namespace
