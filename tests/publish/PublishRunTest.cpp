// The publish run: which sources it takes, the server and e-mail checks with their prompts, the
// two passes, the stop, and the messages shown at the end.
#include "publish/PublishRun.h"
#include "download/HighscoreSource.h"
#include "profile/IslandMarks.h"
#include "profile/Profile.h"

#include <gtest/gtest.h>

namespace {

// A source named by one letter, its upload data: upper case goes to the community site, lower
// case to the islands site; "N" has nothing checked, "E" is empty, "m" cannot record its
// success. It notes in the log what it is told after its upload ("A+" or "A-").
class TestSource final : public HighscoreSource {
public:
    TestSource(QChar name, QStringList& log) : HighscoreSource(name), m_log(log) {}

    QString title() const override { return name(); }
    qint32 game() const override { return 1; }
    Destination destination() const override {
        return name()[0].isUpper() ? Destination::Community : Destination::Islands;
    }
    QList<SourceEntry> entries() const override { return {}; }
    bool isEmpty() const override { return name() == u"E"; }
    std::optional<QByteArray> uploadData(const Settings&, const QList<quint32>&) const override {
        return name().toLatin1();
    }
    bool published(bool ok, const QList<quint32>&, IslandMarks&) override {
        m_log << name() + (ok ? '+' : '-');
        return name() != u"m";
    }

private:
    QStringList& m_log;
};

// Answers from a script, records the messages shown and notes each Options dialog in the log.
// Each dialog ends with OK and gives that address, or "!": it is cancelled.
class ScriptedPrompts final : public PublishPrompts {
public:
    ScriptedPrompts(QList<PromptAnswer> answers, QStringList dialogs, QStringList& log)
        : m_answers(std::move(answers)), m_dialogs(std::move(dialogs)), m_log(log) {}

    PromptAnswer showMessage(const PublishMessage& message) override {
        shown.append(message);
        return m_answers.isEmpty() ? PromptAnswer::Ok : m_answers.takeFirst();
    }
    PromptAnswer askYesNoCancel(const QString& text) override {
        shown.append({text});
        return m_answers.isEmpty() ? PromptAnswer::No : m_answers.takeFirst();
    }
    bool runOptions(Settings& settings, Site missing) override {
        m_log << (missing == Site::Islands ? "Options 2" : "Options 1");
        const QString given = m_dialogs.isEmpty() ? "!" : m_dialogs.takeFirst();
        if (given == u"!")
            return false;
        (missing == Site::Islands ? settings.islands : settings.community).email = given;
        return true;
    }

    QList<PublishMessage> shown;

private:
    QList<PromptAnswer> m_answers;
    QStringList m_dialogs;
    QStringList& m_log;
};

enum class Missing { None, Address1, Address2, Server2, All };

Settings settingsWithout(Missing missing) {
    Settings settings;
    if (missing == Missing::All)
        return settings;
    settings.community.setScriptUrl(QStringLiteral("ludora.example/hs/up.php"));
    settings.islands.setScriptUrl(QStringLiteral("sky.example/up.php"));
    if (missing != Missing::Address1)
        settings.community.email = QStringLiteral("c@x");
    if (missing != Missing::Address2)
        settings.islands.email = QStringLiteral("i@x");
    if (missing == Missing::Server2)
        settings.islands.server.clear();
    return settings;
}

// Each case prepares and runs one publish. Uploads note "name>address" in the log; "A" fails
// with a server reply, "S" is stopped by the user during its upload, "T" succeeds although
// the user stopped during it.
TEST(PublishRun, PromptsPassesAndMessages) {
    const PublishMessage q{emailPromptText()};
    const PublishMessage fill{kIslandsOptionsText};
    const PublishMessage aborted{kIslandsAbortText, MessageIcon::Stop};
    const PublishMessage noServer{kNoServerText};
    const PublishMessage nothing{kNothingSelectedText};
    const PublishMessage stopped{QStringLiteral("Publishing was stopped.")};
    const QString sent = QStringLiteral("All your highscores were successfully published to the ");
    const PublishMessage s1{sent + "\"ludora.example\".", MessageIcon::Information};
    const PublishMessage s2{sent + "\"sky.example\".", MessageIcon::Information};
    const PublishMessage unrecorded{s2.text + u'\n' + QString::fromLatin1(kNotRecordedText),
                                    MessageIcon::Information};
    const PublishMessage failedA{QStringLiteral(
        "Error publishing A highscores.\nServer reports:\nUnknown game application.")};
    using enum Missing;
    using enum PromptAnswer;
    struct Case {
        const char* what;
        Missing missing;
        const char* sources;
        QList<PromptAnswer> answers;
        QStringList dialogs;
        QStringList log;
        QList<PublishMessage> shown; // the prompts, then the completion messages
        bool succeeded = true;
    };
    const Case cases[] = {
        {"nothing checked: no server needed", All, "N", {}, {}, {}, {nothing}},
        {"islands server not needed", Server2, "C", {}, {}, {"C>c@x", "C+"}, {s1}},
        {"islands server needed", Server2, "Ci", {}, {}, {}, {noServer}, false},
        // The community address is asked for with a question.
        {"no: on without it", Address1, "C", {No}, {}, {"C>", "C+"}, {q, s1}},
        {"cancel", Address1, "C", {Cancel}, {}, {}, {q}, false},
        {"yes, Options cancelled", Address1, "C", {Yes}, {"!"}, {"Options 1"}, {q}, false},
        {"yes, given", Address1, "C", {Yes}, {"n@x"}, {"Options 1", "C>n@x", "C+"}, {q, s1}},
        {"asked again", Address1, "C", {Yes, No}, {""}, {"Options 1", "C>", "C+"}, {q, q, s1}},
        // The islands account with a message that opens Options; without it, no islands.
        {"Options cancelled", Address2, "i", {}, {"!"}, {"Options 2"}, {fill, aborted}, false},
        {"Options left it empty", Address2, "i", {}, {""}, {"Options 2"}, {fill, aborted}, false},
        {"message dismissed", Address2, "i", {Cancel}, {}, {}, {fill}, false},
        {"no: on without it", Address2, "i", {No}, {}, {"i>", "i+"}, {fill, s2}},
        {"given", Address2, "i", {}, {"m@x"}, {"Options 2", "i>m@x", "i+"}, {fill, s2}},
        // Destination 1 first, then 2; a failure ends its pass but not the other.
        {"a failure", None, "AiB", {}, {}, {"A>c@x", "A-", "i>i@x", "i+"}, {failedA, s2}, false},
        {"an empty source", None, "Ei", {}, {}, {"i>i@x", "i+"}, {s2}},
        {"marks not saved", None, "mC", {}, {}, {"C>c@x", "C+", "m>i@x", "m+"}, {s1, unrecorded}},
        // A stop is told once, and nothing is uploaded after it.
        {"stopped during an upload", None, "Si", {}, {}, {"S>c@x", "S-", "i-"}, {stopped}, false},
        {"stopped after one", None, "Ti", {}, {}, {"T>c@x", "T+", "i-"}, {s1, stopped}, false},
    };
    UserProfile profile;
    IslandMarks marks(profile);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList log;
        PublishRun run(settingsWithout(c.missing), marks);
        for (const char* name = c.sources; *name; ++name)
            run.addSource(std::make_shared<TestSource>(QChar(*name), log),
                          *name == 'N' ? QList<quint32>() : QList<quint32>{0});
        ScriptedPrompts prompts(c.answers, c.dialogs, log);
        const bool prepared = run.prepare(prompts);
        if (prepared) {
            std::stop_source stop;
            run.run(stop.get_token(),
                    [&](const DestinationSettings& to, const QByteArray& data, std::stop_token) {
                        log << QString::fromLatin1(data) + '>' + to.email;
                        if (data == "S" || data == "T")
                            stop.request_stop();
                        return data == "A"   ? UploadResult::UnknownGame
                               : data == "S" ? UploadResult::Stopped
                                             : UploadResult::Ok;
                    });
            prompts.shown += run.completionMessages();
        }
        EXPECT_EQ(log, c.log);
        EXPECT_EQ(prompts.shown, c.shown);
        EXPECT_EQ(prepared && run.succeeded(), c.succeeded);
    }
}

} // namespace
