// The publish run: which sources it takes, the server and e-mail checks with their prompts, the
// two passes, and the messages shown at the end.
#include "publish/PublishRun.h"
#include "download/HighscoreSource.h"
#include "profile/IslandMarks.h"
#include "profile/Profile.h"

#include <gtest/gtest.h>

namespace {

// A source whose upload data is its name; it notes what it is told after its upload in a log
// ("A+" after a success, "A-" after a failure).
class TestSource final : public HighscoreSource {
public:
    TestSource(const QString& name, Destination destination, bool empty, bool recorded,
               QStringList& log)
        : HighscoreSource(name), m_destination(destination), m_empty(empty), m_recorded(recorded),
          m_log(log) {}

    QString title() const override { return name(); }
    qint32 game() const override { return 1; }
    Destination destination() const override { return m_destination; }
    QList<SourceEntry> entries() const override { return {}; }
    bool isEmpty() const override { return m_empty; }
    std::optional<QByteArray> uploadData(const Settings&, const QList<quint32>&) const override {
        return name().toLatin1();
    }
    bool published(bool ok, const QList<quint32>&, IslandMarks&) override {
        m_log << name() + (ok ? '+' : '-');
        return m_recorded;
    }

private:
    Destination m_destination;
    bool m_empty;
    bool m_recorded; // what published() answers
    QStringList& m_log;
};

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

// Uploads that succeed, noting the address each used.
PublishRun::Uploader noting(QStringList& emails) {
    return [&emails](const DestinationSettings& to, const QByteArray&, std::stop_token) {
        emails << to.email;
        return UploadResult::Ok;
    };
}

class PublishRunTest : public ::testing::Test {
protected:
    std::shared_ptr<TestSource> source(const char* name, Destination destination,
                                       bool empty = false, bool recorded = true) {
        return std::make_shared<TestSource>(name, destination, empty, recorded, log);
    }

    UserProfile profile;
    IslandMarks marks{profile};
    QStringList log;
};

const PublishMessage kSent1{
    QStringLiteral("All your highscores were successfully published to the \"ludora.example\"."),
    MessageIcon::Information};
const PublishMessage kSent2{
    QStringLiteral("All your highscores were successfully published to the \"sky.example\"."),
    MessageIcon::Information};

TEST_F(PublishRunTest, AMissingServerStopsBeforeAnyPrompt) {
    PublishRun nothing(Settings{}, marks); // nothing checked: no server nor address needed
    nothing.addSource(source("A", Destination::Community), {});
    ScriptedPrompts none;
    EXPECT_TRUE(nothing.prepare(none));

    Settings settings = readySettings();
    settings.islands.server.clear();
    PublishRun communityOnly(settings, marks); // the islands server is not needed
    communityOnly.addSource(source("A", Destination::Community), {0});
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
        QStringList emails;
        run.run({}, noting(emails));
        EXPECT_EQ(emails, QStringList{c.given}) << "the run's own copy of the settings";
    }
}

// Destination 1 first, then 2; a failure ends its pass (naming the failing source) but not
// the other; sources without data are passed over.
TEST_F(PublishRunTest, TwoPassesAndTheirMessages) {
    const PublishMessage nothing{kNothingSelectedText};
    const PublishMessage failedA{QStringLiteral(
        "Error publishing A highscores.\nServer reports:\nUnknown game application.")};
    PublishMessage unrecorded = kSent2;
    unrecorded.text += u'\n' + QString::fromLatin1(kNotRecordedText);
    struct Source {
        const char* name;
        Destination destination;
        bool empty = false;
        bool recorded = true; // the marks of a successful upload were saved
        QList<quint32> checked = {0};
    };
    using enum Destination;
    struct Case {
        const char* what;
        QList<Source> sources;
        QStringList told;
        QList<PublishMessage> messages;
        bool succeeded = true;
    };
    const Case cases[] = {
        {"nothing checked", {{"A", Community, false, true, {}}}, {}, {nothing}},
        {"a failure",
         {{"A", Community}, {"I", Islands}, {"B", Community}},
         {"A-", "I+"},
         {failedA, kSent2},
         false},
        {"an empty source", {{"E", Community, true}, {"I", Islands}}, {"I+"}, {kSent2}},
        {"marks not saved",
         {{"I", Islands, false, false}, {"C", Community}},
         {"C+", "I+"},
         {kSent1, unrecorded}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        PublishRun run(readySettings(), marks);
        for (const Source& s : c.sources)
            run.addSource(source(s.name, s.destination, s.empty, s.recorded), s.checked);
        run.run({}, [](const DestinationSettings&, const QByteArray& data, std::stop_token) {
            return data == "A" ? UploadResult::UnknownGame : UploadResult::Ok;
        });
        EXPECT_EQ(log, c.told);
        EXPECT_EQ(run.completionMessages(), c.messages);
        EXPECT_EQ(run.succeeded(), c.succeeded);
    }
}

TEST_F(PublishRunTest, AStopIsToldOnceAndNothingIsUploadedAfterIt) {
    const PublishMessage stopped{QStringLiteral("Publishing was stopped.")};
    struct Case {
        UploadResult community;
        QList<PublishMessage> messages;
    };
    for (const Case& c :
         {Case{UploadResult::Stopped, {stopped}}, Case{UploadResult::Ok, {kSent1, stopped}}}) {
        log.clear();
        PublishRun run(readySettings(), marks);
        run.addSource(source("A", Destination::Community), {0});
        run.addSource(source("I", Destination::Islands), {0});
        std::stop_source stop;
        int uploads = 0;
        run.run(stop.get_token(), [&](const DestinationSettings&, const QByteArray&, auto) {
            ++uploads;
            stop.request_stop(); // the user stops during the first upload
            return c.community;
        });
        EXPECT_EQ(uploads, 1);
        EXPECT_EQ(log.last(), "I-") << "a stopped upload failed";
        EXPECT_EQ(run.completionMessages(), c.messages);
        EXPECT_FALSE(run.succeeded());
    }
}

} // namespace
