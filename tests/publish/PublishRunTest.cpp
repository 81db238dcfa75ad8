// The publish run: which sources it takes, the server and e-mail checks with their prompts, the
// two passes, and the messages shown at the end.
#include "publish/PublishRun.h"
#include "download/HighscoreSource.h"
#include "profile/IslandMarks.h"
#include "profile/Profile.h"

#include <gtest/gtest.h>

namespace {

// A source that records what it was told after its upload.
class TestSource final : public HighscoreSource {
public:
    TestSource(const QString& title, Destination destination, bool empty = false)
        : HighscoreSource(title), m_destination(destination), m_empty(empty) {}

    QString title() const override { return name(); }
    qint32 game() const override { return 1; }
    Destination destination() const override { return m_destination; }
    QList<SourceEntry> entries() const override { return {}; }
    bool isEmpty() const override { return m_empty; }
    std::optional<QByteArray> uploadData(const Settings&, const QList<quint32>&) const override {
        return name().toLatin1();
    }
    bool published(bool ok, const QList<quint32>& chosen, IslandMarks&) override {
        outcomes.append(ok);
        told = chosen;
        return recorded;
    }

    QList<bool> outcomes;
    QList<quint32> told;
    bool recorded = true; // what published() answers

private:
    Destination m_destination;
    bool m_empty;
};

std::shared_ptr<TestSource> source(const QString& title, Destination destination,
                                   bool empty = false) {
    return std::make_shared<TestSource>(title, destination, empty);
}

// Answers from a script and records what was shown.
class ScriptedPrompts final : public PublishPrompts {
public:
    PromptAnswer showMessage(const PublishMessage& message) override {
        shown.append(message);
        return next(PromptAnswer::Ok);
    }
    PromptAnswer askYesNoCancel(const QString& text) override {
        shown.append({text});
        return next(PromptAnswer::No);
    }
    bool runOptions(Settings& settings, Site missing) override {
        asked.append(missing);
        if (dialogs.isEmpty() || !dialogs.takeFirst())
            return false;
        settings.community.email = communityEmail;
        settings.islands.email = islandsEmail;
        return true;
    }

    QList<PromptAnswer> answers;
    QList<bool> dialogs; // how each Options dialog ends
    QString communityEmail;
    QString islandsEmail;
    QList<PublishMessage> shown;
    QList<Site> asked;

private:
    PromptAnswer next(PromptAnswer fallback) {
        return answers.isEmpty() ? fallback : answers.takeFirst();
    }
};

Settings readySettings() {
    Settings settings;
    settings.community.setScriptUrl(QStringLiteral("ludora.example/hs/up.php"));
    settings.community.email = QStringLiteral("c@ludora.example");
    settings.islands.setScriptUrl(QStringLiteral("sky.example/up.php"));
    settings.islands.email = QStringLiteral("i@sky.example");
    return settings;
}

// Uploads by table: the result for each source's data (Ok unless listed).
struct FakeUploads {
    std::map<QByteArray, UploadResult> results;
    QList<QByteArray> sent;
    QStringList emails;

    PublishRun::Uploader uploader() {
        return [this](const DestinationSettings& to, const QByteArray& data, std::stop_token) {
            sent.append(data);
            emails.append(to.email);
            const auto found = results.find(data);
            return found == results.end() ? UploadResult::Ok : found->second;
        };
    }
};

class PublishRunTest : public ::testing::Test {
protected:
    UserProfile profile;
    IslandMarks marks{profile};
};

const PublishMessage kSent1{
    QStringLiteral("All your highscores were successfully published to the \"ludora.example\"."),
    MessageIcon::Information};
const PublishMessage kSent2{
    QStringLiteral("All your highscores were successfully published to the \"sky.example\"."),
    MessageIcon::Information};

TEST_F(PublishRunTest, NothingCheckedGivesOneMessageAndNoChecks) {
    PublishRun run(Settings{}, marks); // no servers, no addresses
    run.addSource(source("A", Destination::Community), {});
    ScriptedPrompts prompts;
    ASSERT_TRUE(run.prepare(prompts));
    EXPECT_TRUE(prompts.shown.isEmpty());
    FakeUploads uploads;
    run.run({}, uploads.uploader());
    EXPECT_TRUE(uploads.sent.isEmpty());
    EXPECT_EQ(run.completionMessages(), QList<PublishMessage>{{kNothingSelectedText}});
    EXPECT_TRUE(run.succeeded());
}

TEST_F(PublishRunTest, AMissingServerStopsBeforeAnyPrompt) {
    Settings settings = readySettings();
    settings.islands.server.clear();
    PublishRun communityOnly(settings, marks); // the islands server is not needed
    communityOnly.addSource(source("A", Destination::Community), {0});
    ScriptedPrompts none;
    EXPECT_TRUE(communityOnly.prepare(none));
    EXPECT_TRUE(none.shown.isEmpty());

    PublishRun both(settings, marks);
    both.addSource(source("A", Destination::Community), {0});
    both.addSource(source("I", Destination::Islands), {0});
    ScriptedPrompts refused;
    EXPECT_FALSE(both.prepare(refused));
    EXPECT_EQ(refused.shown, QList<PublishMessage>{{kNoServerText}});
}

// The community address is asked for with a question; the islands account with a message
// that opens Options, and without it the islands' publish is aborted.
TEST_F(PublishRunTest, AMissingAddressIsAskedFor) {
    const PublishMessage question{emailPromptText()};
    const PublishMessage fill{kIslandsOptionsText};
    const PublishMessage aborted{kIslandsAbortText, MessageIcon::Stop};
    using enum PromptAnswer;
    struct Case {
        const char* what;
        Site site;
        QList<PromptAnswer> answers;
        QList<bool> dialogs; // how each Options dialog ends
        QString given;       // the address it gives
        QList<PublishMessage> shown;
        bool prepared;
    };
    const Case cases[] = {
        {"no: on without an address", Site::Community, {No}, {}, "", {question}, true},
        {"cancel", Site::Community, {Cancel}, {}, "", {question}, false},
        {"yes, Options cancelled", Site::Community, {Yes}, {false}, "", {question}, false},
        {"yes, address given", Site::Community, {Yes}, {true}, "new@x", {question}, true},
        {"asked again while it stays empty",
         Site::Community,
         {Yes, No},
         {true},
         "",
         {question, question},
         true},
        {"Options cancelled", Site::Islands, {}, {false}, "", {fill, aborted}, false},
        {"Options left it empty", Site::Islands, {}, {true}, "", {fill, aborted}, false},
        {"message dismissed", Site::Islands, {Cancel}, {}, "", {fill}, false},
        {"no: on without it", Site::Islands, {No}, {}, "", {fill}, true},
        {"address given", Site::Islands, {}, {true}, "me@x", {fill}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool islands = c.site == Site::Islands;
        Settings settings = readySettings();
        (islands ? settings.islands : settings.community).email.clear();
        PublishRun run(settings, marks);
        run.addSource(source("A", islands ? Destination::Islands : Destination::Community), {0});
        ScriptedPrompts prompts;
        prompts.answers = c.answers;
        prompts.dialogs = c.dialogs;
        (islands ? prompts.islandsEmail : prompts.communityEmail) = c.given;
        ASSERT_EQ(run.prepare(prompts), c.prepared);
        EXPECT_EQ(prompts.shown, c.shown);
        EXPECT_EQ(prompts.asked, QList<Site>(c.dialogs.size(), c.site));
        if (!c.prepared)
            continue;
        FakeUploads uploads;
        run.run({}, uploads.uploader());
        EXPECT_EQ(uploads.emails, QStringList{c.given}) << "the run's own copy of the settings";
    }
    EXPECT_TRUE(emailPromptText().contains(" www.ludora-highscores.example , "));
}

TEST_F(PublishRunTest, TheFirstFailureEndsItsPassAndNamesTheFailingSource) {
    auto a = source("A", Destination::Community), b = source("B", Destination::Community),
         i = source("I", Destination::Islands);
    PublishRun run(readySettings(), marks);
    run.addSource(a, {0, 2});
    run.addSource(i, {1});
    run.addSource(b, {0});
    FakeUploads uploads;
    uploads.results["A"] = UploadResult::UnknownGame;
    run.run({}, uploads.uploader());
    EXPECT_EQ(uploads.sent, (QList<QByteArray>{"A", "I"})) << "pass 2 still runs";
    EXPECT_EQ(a->outcomes, QList<bool>{false});
    EXPECT_EQ(a->told, (QList<quint32>{0, 2}));
    EXPECT_TRUE(b->outcomes.isEmpty());
    EXPECT_EQ(i->outcomes, QList<bool>{true});
    EXPECT_FALSE(run.succeeded());
    EXPECT_EQ(run.completionMessages(),
              (QList<PublishMessage>{{QStringLiteral("Error publishing A highscores.\nServer "
                                                     "reports:\nUnknown game application.")},
                                     kSent2}));
}

TEST_F(PublishRunTest, EmptySourcesAreSkippedAndCanLeaveAPassWithNothing) {
    auto empty = source("E", Destination::Community, true);
    PublishRun run(readySettings(), marks);
    run.addSource(empty, {0});
    run.addSource(source("I", Destination::Islands), {0});
    FakeUploads uploads;
    run.run({}, uploads.uploader());
    EXPECT_EQ(uploads.sent, QList<QByteArray>{"I"});
    EXPECT_TRUE(empty->outcomes.isEmpty());
    EXPECT_EQ(run.completionMessages(), QList<PublishMessage>{kSent2});
    EXPECT_TRUE(run.succeeded());
}

TEST_F(PublishRunTest, AStopIsToldOnceAndNothingIsUploadedAfterIt) {
    const PublishMessage stopped{QStringLiteral("Publishing was stopped.")};
    struct Case {
        UploadResult community;
        QList<PublishMessage> messages;
    };
    for (const Case& c :
         {Case{UploadResult::Stopped, {stopped}}, Case{UploadResult::Ok, {kSent1, stopped}}}) {
        auto a = source("A", Destination::Community), i = source("I", Destination::Islands);
        PublishRun run(readySettings(), marks);
        run.addSource(a, {0});
        run.addSource(i, {0});
        FakeUploads uploads;
        std::stop_source stop;
        auto upload = uploads.uploader();
        run.run(stop.get_token(),
                [&](const DestinationSettings& to, const QByteArray& data, std::stop_token token) {
                    upload(to, data, token);
                    stop.request_stop(); // the user stops during the first upload
                    return c.community;
                });
        EXPECT_EQ(uploads.sent, QList<QByteArray>{"A"});
        EXPECT_EQ(i->outcomes, QList<bool>{false}) << "a stopped upload failed";
        EXPECT_EQ(run.completionMessages(), c.messages);
        EXPECT_FALSE(run.succeeded());
    }
}

TEST_F(PublishRunTest, BothDestinationsSucceedInOrderAndSayWhenMarksWereNotSaved) {
    for (const bool recorded : {true, false}) {
        auto i = source("I", Destination::Islands);
        i->recorded = recorded;
        PublishRun run(readySettings(), marks);
        run.addSource(i, {0});
        run.addSource(source("A", Destination::Community), {0});
        FakeUploads uploads;
        run.run({}, uploads.uploader());
        EXPECT_EQ(uploads.sent, (QList<QByteArray>{"A", "I"}));
        PublishMessage islands = kSent2;
        if (!recorded)
            islands.text += u'\n' + QString::fromLatin1(kNotRecordedText);
        EXPECT_EQ(run.completionMessages(), (QList<PublishMessage>{kSent1, islands}));
    }
}

} // namespace
