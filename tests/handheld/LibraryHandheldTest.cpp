// The backend that loads the remote API library at run time, against the stand-in library:
// loading, sessions that answer late or never, stops, the session's thread, and answers of a
// library or handheld that must not be believed.
#include "StubLibrary.h"
#include "TestImage.h"

#include "handheld/ImageHandheld.h"
#include "handheld/LibraryHandheld.h"
#include "profile/Profile.h"

#include <QFile>
#include <gtest/gtest.h>
#include <thread>

namespace {

using std::chrono::milliseconds;
const QString kScores = QStringLiteral("\\Storage\\Program Files\\game\\HighScores.sco");

class LibraryHandheldTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(stub.ok()) << qPrintable(stub.file.errorString());
        image.AddFile(kScores, "scores");
        image.AddFolder(QStringLiteral("\\Empty"));
        image.SetRegistry(u"[HKEY_LOCAL_MACHINE\\K]\n\"short\"=\"1\"\n\""_qs + QString(300, u'n') +
                          u"\"=\"2\"\n"_qs);
        stub.reset(image.Root().toUtf8().constData());
    }
    void TearDown() override {
        handheld.disconnect();
        stub.set(RAPISTUB_SESSION, RAPISTUB_ANSWER); // lets a held opening finish
        EXPECT_TRUE(stub.wait(-1)) << "a session was left open";
        EXPECT_EQ(stub.counters().misuses, 0);
    }

    TestImage image;
    StubLibrary stub;
    LibraryHandheld handheld{{kStubPath}};
};

TEST_F(LibraryHandheldTest, TheFirstUsableCandidateIsLoaded) {
    const QString notALibrary = image.Root() + u"/registry.reg"_qs;
    StubLibrary withoutEnum(kStubWithoutEnumPath);
    ASSERT_TRUE(withoutEnum.ok());
    withoutEnum.reset(image.Root().toUtf8().constData());

    EXPECT_FALSE(LibraryHandheld({u"absent.so"_qs, notALibrary}).connect(milliseconds(0)));
    LibraryHandheld chosen({u"absent.so"_qs, notALibrary, kStubWithoutEnumPath, kStubPath});
    ASSERT_TRUE(chosen.connect(milliseconds(kGenerousMs)));
    EXPECT_EQ(chosen.libraryFile(), kStubPath);
    EXPECT_TRUE(chosen.exists(kScores));
    EXPECT_EQ(withoutEnum.counters().initCalls, 0) << "a library lacking a function is not called";
}

TEST_F(LibraryHandheldTest, AnOpeningThatOutlastsItsWaitIsSharedAndClosedWhenItAnswers) {
    stub.set(RAPISTUB_SESSION, RAPISTUB_HOLD);
    {
        LibraryHandheld first({kStubPath});
        EXPECT_FALSE(first.connect(milliseconds(30)));
        EXPECT_FALSE(first.exists(kScores));
    } // destroyed with the opening still pending
    EXPECT_FALSE(handheld.connect(milliseconds(30)));
    ASSERT_TRUE(stub.wait(1));
    stub.set(RAPISTUB_SESSION, RAPISTUB_ANSWER);
    ASSERT_TRUE(stub.wait(-1)) << "the late session was not closed";
    EXPECT_EQ(stub.counters().initCalls, 1) << "later openings wait for the pending answer";
    EXPECT_EQ(stub.counters().uninitCalls, 1);

    // An answer that arrives while connect() waits connects.
    stub.set(RAPISTUB_SESSION, RAPISTUB_HOLD);
    std::thread releaser([&] {
        if (stub.wait(2))
            stub.set(RAPISTUB_SESSION, RAPISTUB_ANSWER);
    });
    const bool connected = handheld.connect(milliseconds(kGenerousMs));
    releaser.join();
    ASSERT_TRUE(connected);
    EXPECT_EQ(handheld.readFile(kScores), QByteArray("scores"));
    handheld.disconnect();
    EXPECT_EQ(stub.counters().uninitCalls, 2);
}

TEST_F(LibraryHandheldTest, AStopEndsTheWaitForASilentHandheld) {
    stub.set(RAPISTUB_SESSION, RAPISTUB_HOLD);
    std::stop_source stop;
    std::thread stopper([&] {
        if (stub.wait(1))
            stop.request_stop();
    });
    EXPECT_FALSE(handheld.connect(std::chrono::minutes(10), stop.get_token()));
    stopper.join();
    EXPECT_FALSE(handheld.connect(milliseconds(kGenerousMs), stop.get_token()));
    EXPECT_EQ(stub.counters().initCalls, 1) << "no opening is asked for once a stop was";
}

TEST_F(LibraryHandheldTest, ARefusedSessionIsNotClosed) {
    stub.set(RAPISTUB_SESSION, RAPISTUB_FAIL);
    EXPECT_FALSE(handheld.connect(milliseconds(kGenerousMs)));
    stub.reset("/nonexistent"); // no handheld behind the library
    EXPECT_FALSE(handheld.connect(milliseconds(kGenerousMs)));
    handheld.disconnect();
    EXPECT_EQ(stub.counters().initCalls, 1);
    EXPECT_EQ(stub.counters().uninitCalls, 0);
}

// The backend is used by one thread at a time, but not always the same one; the stand-in
// counts every call off the session's thread.
TEST_F(LibraryHandheldTest, EveryCallRunsOnTheThreadThatOpenedTheSession) {
    ASSERT_TRUE(handheld.connect(milliseconds(kGenerousMs)));
    const auto key = handheld.openKey(RegistryRoot::LocalMachine, u"K"_qs);
    ASSERT_TRUE(handheld.connect(milliseconds(kGenerousMs))) << "the last session ends first";
    EXPECT_FALSE(key->text(u"short"_qs)) << "a key of an ended session";
    std::thread([&] {
        EXPECT_EQ(handheld.openKey(RegistryRoot::LocalMachine, u"K"_qs)->text(u"short"_qs), u"1");
        EXPECT_EQ(handheld.list(u"\\Storage\\*.*"_qs, Listing::Folders)->size(), 1);
    }).join();
}

// Sizes and counts the handheld reports are capped before anything is allocated from them.
TEST_F(LibraryHandheldTest, AnswersThatCannotBeBelievedAreRefused) {
    const struct {
        RapiStubSetting setting;
        std::uint32_t value;
        bool answered;
    } cases[] = {
        {RAPISTUB_LONGEST_NAME, 1, true},           // asked again with more room
        {RAPISTUB_LONGEST_NAME, 0xFFFFFFF0u, true}, // capped to the longest name there can be
        {RAPISTUB_MORE_DATA, 2, false},             // asks for no more room than it has
        {RAPISTUB_MORE_DATA, 0x7FFFFFFF, false},    // asks for more than any name needs
        {RAPISTUB_VALUE_SIZE, 0xFFFFFFF0u, false},  // twice the size would wrap
        {RAPISTUB_SEARCH_COUNT, (1u << 20) + 1, false},
        {RAPISTUB_SEARCH_COUNT, 0xFFFFFFF0u, false}, // more records than memory holds
        {RAPISTUB_EMPTY_SEARCH, 1, false},           // no record array at all
        {RAPISTUB_FILE_SIZE, std::uint32_t(Handheld::kMaxFileBytes) + 1, false},
        {RAPISTUB_FILE_SIZE, 7, false}, // reads fewer bytes than the size
    };
    ASSERT_TRUE(handheld.connect(milliseconds(kGenerousMs)));
    const auto key = handheld.openKey(RegistryRoot::LocalMachine, u"K"_qs);
    const auto answered = [&](RapiStubSetting setting) {
        switch (setting) {
        case RAPISTUB_VALUE_SIZE:
            return key->text(u"short"_qs).has_value();
        case RAPISTUB_SEARCH_COUNT:
        case RAPISTUB_EMPTY_SEARCH:
            return handheld.list(u"\\Empty\\*.*"_qs, Listing::Files).has_value() &&
                   handheld.list(u"\\Storage\\*.*"_qs, Listing::Files).has_value();
        case RAPISTUB_FILE_SIZE:
            return handheld.readFile(kScores).has_value();
        default:
            return key->valueName(1) == QString(300, u'n');
        }
    };
    for (const auto& c : cases) {
        stub.set(c.setting, c.value);
        EXPECT_EQ(answered(c.setting), c.answered) << c.setting << " " << c.value;
        stub.set(c.setting, 0);
        EXPECT_TRUE(answered(c.setting)) << "the next answer is believed again";
    }
    stub.set(RAPISTUB_FILE_SIZE, 7);
    EXPECT_EQ(handheld.readFileStart(kScores, 7), QByteArray("scores\0", 7));
}

TEST_F(LibraryHandheldTest, TheBackendFollowsTheProfileAndTheEnvironment) {
    UserProfile profile;
    EXPECT_TRUE(dynamic_cast<ImageHandheld*>(createHandheld(image.Root(), profile).get()));
    qputenv("SCORVANE_RAPI_LIBRARY", kStubPath.toLocal8Bit());
    qputenv("SCORVANE_SESSION_WAIT_MS", "0");
    stub.set(RAPISTUB_SESSION, RAPISTUB_HOLD);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(createHandheld(QString(), profile)->connect(milliseconds(kGenerousMs)));
    EXPECT_LT(std::chrono::steady_clock::now() - started, milliseconds(kGenerousMs / 2))
        << "the wait set in the environment is used";
    EXPECT_TRUE(stub.wait(1)) << "the library named in the environment is used";
    qunsetenv("SCORVANE_SESSION_WAIT_MS");
    qunsetenv("SCORVANE_RAPI_LIBRARY");
}

} // namespace
