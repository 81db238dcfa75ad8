// The backend that loads the remote API library at run time, against the stand-in library:
// loading, sessions that answer late or never, stops, the session's thread, and answers of a
// library or handheld that must not be believed.
#include "StoppingProfile.h"
#include "StubLibrary.h"
#include "TestImage.h"

#include "handheld/LibraryHandheld.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

using std::chrono::milliseconds;
const QString kScores = QStringLiteral("\\Storage\\Program Files\\game\\HighScores.sco");

class LibraryHandheldTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(stub.file.isLoaded()) << qPrintable(stub.file.errorString());
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
    StubLibrary withoutEnum(kStubWithoutEnumPath);
    ASSERT_TRUE(withoutEnum.file.isLoaded());

    const QString notALibrary = image.Root() + u"/registry.reg"_qs;
    EXPECT_FALSE(LibraryHandheld({notALibrary}).connect(milliseconds(0)));
    LibraryHandheld chosen({u"absent.so"_qs, notALibrary, kStubWithoutEnumPath, kStubPath});
    ASSERT_TRUE(chosen.connect(milliseconds(kGenerousMs)));
    EXPECT_EQ(chosen.libraryFile(), kStubPath);
    EXPECT_TRUE(chosen.exists(kScores));
    EXPECT_EQ(withoutEnum.counters().initCalls, 0) << "a library lacking a function is not called";
}

TEST_F(LibraryHandheldTest, AnOpeningThatOutlastsItsWaitIsSharedAndClosedWhenItAnswers) {
    stub.set(RAPISTUB_SESSION, RAPISTUB_HOLD);
    // One that gives up and is destroyed with the opening still pending.
    EXPECT_FALSE(LibraryHandheld({kStubPath}).connect(milliseconds(30)));
    EXPECT_FALSE(handheld.connect(milliseconds(30)));
    ASSERT_TRUE(stub.wait(1));
    stub.set(RAPISTUB_SESSION, RAPISTUB_ANSWER);
    ASSERT_TRUE(stub.wait(-1)) << "the late session was not closed";
#ifdef _WIN32 // there each opening is its own, and one given up on is called off at once
    EXPECT_EQ(stub.counters().initCalls, 2);
    EXPECT_EQ(stub.counters().uninitCalls, 2);
#else
    EXPECT_EQ(stub.counters().initCalls, 1) << "later openings wait for the pending answer";
    EXPECT_EQ(stub.counters().uninitCalls, 1);
#endif
    EXPECT_TRUE(handheld.connect(milliseconds(kGenerousMs))) << "a new opening after it";
}

TEST_F(LibraryHandheldTest, AStopEndsTheWaitAndARefusedSessionIsNotClosed) {
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
    stub.set(RAPISTUB_SESSION, RAPISTUB_FAIL); // the held opening is refused too
    EXPECT_FALSE(handheld.connect(milliseconds(kGenerousMs)));
    handheld.disconnect();
#ifdef _WIN32 // every CeRapiInitEx that answered is ended, the given-up and the refused one
    EXPECT_EQ(stub.counters().uninitCalls, 2);
#else
    EXPECT_EQ(stub.counters().uninitCalls, 0);
#endif
}

// Sizes and counts the handheld reports are capped before anything is allocated from them.
// The answers: the long value name, a text value, two listings, a file.
TEST_F(LibraryHandheldTest, AnswersThatCannotBeBelievedAreRefused) {
    const struct {
        RapiStubSetting setting;
        std::uint32_t value;
        const char* answers;
    } cases[] = {
        {RAPISTUB_LONGEST_NAME, 1, "11111"},           // too short: asked again with more room
        {RAPISTUB_LONGEST_NAME, 0xFFFFFFF0u, "11111"}, // capped to the longest name there can be
        {RAPISTUB_MORE_DATA, 2, "01111"},              // asks for no more room than it has
        {RAPISTUB_MORE_DATA, 0x7FFFFFFF, "01111"},     // asks for more than any name needs
        {RAPISTUB_VALUE_SIZE, 0xFFFFFFF0u, "10111"},   // twice the size would wrap
        {RAPISTUB_SEARCH_COUNT, (1u << 20) + 1, "11101"},
        {RAPISTUB_SEARCH_COUNT, 0xFFFFFFF0u, "11101"}, // more records than memory holds
        {RAPISTUB_EMPTY_SEARCH, 1, "11011"},           // no record array at all
        {RAPISTUB_FILE_SIZE, std::uint32_t(Handheld::kMaxFileBytes) + 1, "11110"},
        {RAPISTUB_FILE_SIZE, 7, "11110"}, // reads fewer bytes than the size
    };
    ASSERT_TRUE(handheld.connect(milliseconds(kGenerousMs)));
    const auto key = handheld.openKey(RegistryRoot::LocalMachine, u"K"_qs);
    const auto answers = [&] {
        return QString::number(key->valueName(1) == QString(300, u'n')) +
               QString::number(key->text(u"short"_qs).has_value()) +
               QString::number(handheld.list(u"\\Empty\\*.*"_qs, Listing::Files).has_value()) +
               QString::number(handheld.list(u"\\Storage\\*.*"_qs, Listing::Files).has_value()) +
               QString::number(handheld.readFile(kScores).has_value());
    };
    for (const auto& c : cases) {
        stub.set(c.setting, c.value);
        EXPECT_EQ(answers(), QLatin1String(c.answers)) << c.setting << " " << c.value;
        stub.set(c.setting, 0);
        EXPECT_EQ(answers(), u"11111") << "the next answer is believed again";
    }
}

// The library and the wait the profile names are used.
TEST_F(LibraryHandheldTest, TheBackendFollowsTheProfile) {
    StoppingProfile profile;
    profile.setValue(u"Device/RapiLibrary"_qs, kStubPath);
    profile.setValue(u"Device/SessionWaitMs"_qs, u"0"_qs);
    stub.set(RAPISTUB_SESSION, RAPISTUB_HOLD);
    EXPECT_FALSE(createHandheld(QString(), profile)->connect(std::chrono::minutes(10)));
    EXPECT_TRUE(stub.wait(1));
}

} // namespace
