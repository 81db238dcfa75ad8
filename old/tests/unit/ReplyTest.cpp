// The server's reply line, its result codes and the texts the user sees.
#include "publish/PublishResult.h"
#include "publish/ReplyPattern.h"

#include <gtest/gtest.h>
#include <string>

namespace {

const std::string kPrefix = "Highscores(7hT2xK9m4Rd):";

int Result(const std::string& reply) {
    return ResultForReply(reply.data(), reply.size());
}

TEST(ReplyPattern, ReadsTheNumberAfterTheExactPrefix) {
    EXPECT_EQ(MatchReply((kPrefix + "0\n").data(), kPrefix.size() + 2), 0);
    EXPECT_EQ(Result(kPrefix + "0\n"), UPLOAD_OK);
    // Blanks may precede the number, a sign is allowed, trailing text is ignored.
    EXPECT_EQ(Result(kPrefix + " \t\r\n 0"), UPLOAD_OK);
    EXPECT_EQ(Result(kPrefix + "+7"), UPLOAD_USER_NOT_FOUND);
    EXPECT_EQ(Result(kPrefix + "-0"), UPLOAD_OK);
    EXPECT_EQ(Result(kPrefix + "-1"), UPLOAD_UNRECOGNIZED);
    EXPECT_EQ(Result(kPrefix + "12abc<html>"), UPLOAD_ISLAND_COMPLETED);
    EXPECT_EQ(Result(kPrefix + "013"), UPLOAD_UNRECOGNIZED);
    EXPECT_EQ(Result(kPrefix + "00"), UPLOAD_OK);
}

TEST(ReplyPattern, RejectsAnythingElse) {
    for (const std::string& reply :
         {std::string(), std::string(" ") + kPrefix + "0",
          std::string("\xEF\xBB\xBF") + kPrefix + "0", std::string("Highscores(7hT2xK9m4Rx):0"),
          std::string("highscores(7hT2xK9m4Rd):0"), std::string("Highscores(7hT2xK9m4Rd) :0"),
          std::string("Highscores(7hT2xK9m4Rd):"), kPrefix + "x0", kPrefix + "+", kPrefix + "- 1",
          kPrefix + " ", kPrefix.substr(0, 10), std::string("Highscores()"),
          std::string("<html>Highscores(7hT2xK9m4Rd):0")}) {
        EXPECT_FALSE(MatchReply(reply.data(), reply.size())) << reply;
        EXPECT_EQ(Result(reply), UPLOAD_REQUEST_FAILED) << reply;
    }
    EXPECT_FALSE(MatchReply(nullptr, 5));
}

TEST(ReplyPattern, TextEndsAtAZeroByte) {
    const std::string cut = kPrefix + std::string("\0"
                                                  "0",
                                                  2);
    EXPECT_EQ(Result(cut), UPLOAD_REQUEST_FAILED);
    const std::string after = kPrefix + std::string("4\0"
                                                    "0",
                                                    3);
    EXPECT_EQ(Result(after), UPLOAD_UNKNOWN_GAME);
}

TEST(ReplyPattern, HugeNumbersAreClampedNotOverflowed) {
    EXPECT_EQ(MatchReply((kPrefix + "99999999999999999999999").data(), kPrefix.size() + 23),
              2147483647);
    const std::string negative = kPrefix + "-99999999999999999999999";
    EXPECT_EQ(MatchReply(negative.data(), negative.size()), -2147483648LL);
    EXPECT_EQ(Result(kPrefix + "4294967296"), UPLOAD_UNRECOGNIZED); // not 0 after wrapping
    EXPECT_EQ(Result(kPrefix + "4294967297"), UPLOAD_UNRECOGNIZED); // not 1
}

TEST(ReplyCodes, EveryNumberMapsAsTheServerDefinesIt) {
    const int expected[] = {UPLOAD_OK,
                            UPLOAD_BAD_DATA,
                            UPLOAD_DB_BUSY,
                            UPLOAD_DB_INSERT_FAILED,
                            UPLOAD_UNKNOWN_GAME,
                            UPLOAD_BAD_DATA,
                            UPLOAD_BAD_SIGNATURE,
                            UPLOAD_USER_NOT_FOUND,
                            UPLOAD_BAD_PASSWORD,
                            UPLOAD_BAD_EMAIL,
                            UPLOAD_DB_TRY_LATER,
                            UPLOAD_SERVER_INTERNAL,
                            UPLOAD_ISLAND_COMPLETED};
    for (int n = 0; n <= 12; ++n) {
        EXPECT_EQ(ResultForReplyNumber(n), expected[n]) << n;
        EXPECT_EQ(Result(kPrefix + std::to_string(n) + "\n"), expected[n]) << n;
    }
    for (long long n : {13LL, 14LL, 100LL, -1LL, -12LL, 2147483647LL, -2147483648LL})
        EXPECT_EQ(ResultForReplyNumber(n), UPLOAD_UNRECOGNIZED) << n;
}

TEST(PublishMessages, EveryCodeHasItsText) {
    const std::string t = "Zelk Vondrel";
    const std::string s = "ludora.example";
    const std::string sp = "ludora.example/hs/up.php";
    const std::string e = "Error publishing Zelk Vondrel highscores.\n";
    const std::string unexpected = e + "Server reports: Unexpected error occured.\nPlease try "
                                       "again later.";
    const std::pair<int, std::string> cases[] = {
        {0, "All your highscores were successfully published to the \"ludora.example\"."},
        {1, unexpected},
        {2, e + "Server reports: Invalid server name: \"ludora.example\"."},
        {3, e + "Server reports: Invalid server/script path: \"ludora.example/hs/up.php\".\n"
                "Check Tools/Options."},
        {4, e + "Server reports: Invalid data format."},
        {5, e + "Server experiencing problems with database.\nPlease try again later."},
        {6, e + "Server experiencing problems with database.\nError inserting into database."},
        {7, e + "Server reports:\nUnknown game application."},
        {8, e + "Server reports: Unrecognized error."},
        {9, "No highscores selected for uploading to server \"ludora.example\"."},
        {10, e + "Server reports: Signature doesn't match."},
        {11, e + "Server reports: User not found. You have specified wrong email or you are not "
                 "registered on server.\nCheck Tools/Options."},
        {12, e + "Invalid password.\nCheck Tools/Options."},
        {13, e + "Server reports: It seems that you are entered wrong email.\nCheck "
                 "Tools/Options."},
        {14, e + "Server experiencing problems with database.\nPlease try again later."},
        {15, e + "Server experiencing internal problems.\nPlease try again later."},
        {16, e + "Please do not use old settings.ino file for your new islands! Your current "
                 "island have the same ID as one of completed islands, so we can't upload it "
                 "into Zelk Vondrel."},
        {17, "Publishing was stopped."},
        {18, unexpected},
        {-1, unexpected},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(FormatPublishResult(code, t, s, sp), text) << code;
}

TEST(PublishMessages, TitlesAreTextNotFormats) {
    EXPECT_EQ(FormatPublishResult(4, "%s%d%n", "s", "sp"),
              "Error publishing %s%d%n highscores.\nServer reports: Invalid data format.");
}

} // namespace
