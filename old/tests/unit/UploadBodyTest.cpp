// The upload data of table and island sources, and the body encoding.
#include "publish/UploadBody.h"
#include "TestText.h"
#include "scores/HighscoreSource.h"
#include "scores/IslandsSource.h"
#include "scores/NewHighscoresSource.h"
#include "ui/Settings.h"

#include <gtest/gtest.h>
#include <random>

namespace {

const std::string kTableText = "Zelk Vondrel|1|1\nAnn|1200|Level: 7\nBob|900|Level: 5\n"
                               "0123456789abcdef0123456789abcdef";

std::unique_ptr<CHighscoreSource> TableSource(const std::string& text) {
    auto source = std::make_unique<CHighscoreSource>(nullptr, kHighscoreSalt, "vondrel", 25);
    source->data.Append(text);
    source->data.AppendByte(0);
    return source;
}

CSettings SomeSettings() {
    CSettings settings;
    settings.community.SetScriptUrl("ludora.example/hs/up.php");
    settings.community.SetEmail("c@ludora.example");
    settings.islands.SetScriptUrl("sky.example:81/up.php");
    settings.islands.SetEmail("i@sky.example");
    settings.islands.SetPassword("pw");
    return settings;
}

TEST(TableUpload, IsTheTableTextThenChosenIndicesThenTheCommunityEmail) {
    auto source = TableSource(kTableText);
    for (std::uint32_t index : {0u, 3u, 4u})
        source->AddChosen(index);
    ByteBuffer out;
    ASSERT_TRUE(source->BuildUploadBody(SomeSettings(), out));
    EXPECT_EQ(std::string(out.View()), kTableText + "\n0,3,4:c@ludora.example");
    // The source itself is not changed.
    EXPECT_EQ(source->data.Length(), kTableText.size() + 1);
}

TEST(TableUpload, EdgeCases) {
    CSettings settings = SomeSettings();
    ByteBuffer out;
    // Nothing to send without data.
    CHighscoreSource empty(nullptr, kHighscoreSalt, "vondrel", 25);
    empty.AddChosen(0);
    EXPECT_FALSE(empty.BuildUploadBody(settings, out));
    EXPECT_EQ(out.Length(), 0u);

    // No choice and no address: the separators stay.
    settings.community.email.clear();
    auto source = TableSource(kTableText);
    ASSERT_TRUE(source->BuildUploadBody(settings, out));
    EXPECT_EQ(std::string(out.View()), kTableText + "\n:");

    // Data that is only the terminating zero byte; indices as signed decimal.
    CHighscoreSource zero(nullptr, kHighscoreSalt, "vondrel", 25);
    zero.data.AppendByte(0);
    zero.AddChosen(24);
    zero.AddChosen(0xFFFFFFFFu);
    out.Clear();
    ASSERT_TRUE(zero.BuildUploadBody(settings, out));
    EXPECT_EQ(std::string(out.View()), "\n24,-1:");
}

TEST(TableUpload, NewHighscoresGoToTheIslandsSiteWithTheIslandsEmail) {
    CNewHighscoresSource source(nullptr, kHighscoreSalt, "NewHighscores", 25);
    source.data.Append(std::string_view("x|y\n"));
    source.data.AppendByte(0);
    source.AddChosen(1);
    ByteBuffer out;
    ASSERT_TRUE(source.BuildUploadBody(SomeSettings(), out));
    EXPECT_EQ(std::string(out.View()), "x|y\n\n1:i@sky.example");

    std::string server, user, password, path;
    std::uint32_t port = 0;
    ASSERT_TRUE(source.GetUploadTarget(SomeSettings(), server, port, user, password, path));
    EXPECT_EQ(server, "sky.example:81");
    EXPECT_EQ(path, "/up.php");
    EXPECT_EQ(password, "pw");
}

std::string IslandsHeader(const std::string& email, const std::string& password) {
    return std::string("C7E20B94\n1001|10|Zelk Skyholm\n") + email + ":" + password + "\n" +
           std::string(1, '\0');
}

TEST(IslandsUpload, SendsOnlyChosenIslandsThatAreNotDone) {
    const std::string first = "first island bytes";
    const std::string second(300, '\x6D');
    const std::string third = "third";
    std::vector<IslandUploadItem> islands = {{first, false}, {second, false}, {third, true}};
    std::vector<bool> chosen;
    ByteBuffer out;
    // Index 7 is beyond the list and ignored; 2 is chosen but done; 1 is named twice.
    ASSERT_TRUE(BuildIslandsUploadBody("i@sky.example", "pw", {1, 7, 2, 1}, islands, chosen, out));
    EXPECT_EQ(chosen, (std::vector<bool>{false, true, true}));
    const std::string expected = IslandsHeader("i@sky.example", "pw") + Le32(300) + second +
                                 Le32(0) + std::string("\x27\x6A\x8E\x3C", 4);
    EXPECT_EQ(std::string(out.View()), expected);
}

TEST(IslandsUpload, EndsWithTheMarksWhenNoIslandQualifies) {
    std::vector<IslandUploadItem> islands = {{std::string_view(), false}, {"abc", false}};
    std::vector<bool> chosen = {true, true, true};
    ByteBuffer out;
    ASSERT_TRUE(BuildIslandsUploadBody("", "", {0}, islands, chosen, out));
    EXPECT_EQ(chosen, (std::vector<bool>{true, false}));
    EXPECT_EQ(std::string(out.View()), IslandsHeader("", "") + Le32(0) + Le32(kIslandsEndMark));
}

TEST(Encoding, MatchesTheExamples) {
    EXPECT_EQ(EncodedLength(0), 1u);
    EXPECT_EQ(EncodedLength(4), 9u);
    EXPECT_EQ(EncodeBody(""), "");
    EXPECT_EQ(EncodeBody("a"), "YQ..");
    EXPECT_EQ(EncodeBody("ab"), "YWI.");
    EXPECT_EQ(EncodeBody("\xFB\xEF\xBE"), "____");
    EXPECT_EQ(EncodeBody("\xFF\xFF\xFF"), "----");
}

TEST(Encoding, RandomDataDecodesBack) {
    std::mt19937 random(42);
    for (int round = 0; round < 500; ++round) {
        std::string bytes(std::size_t(random() % 200), '\0');
        for (char& c : bytes)
            c = static_cast<char>(random() & 0xFF);
        const std::string text = EncodeBody(bytes);
        ASSERT_EQ(text.size(), 4 * ((bytes.size() + 2) / 3));
        // The variant is Base64 with '_', '-' and '.' for '+', '/' and '='.
        QByteArray standard = QByteArray::fromStdString(text);
        standard.replace('+', '!').replace('/', '!').replace('=', '!');
        standard.replace('_', '+').replace('-', '/').replace('.', '=');
        const auto decoded =
            QByteArray::fromBase64Encoding(standard, QByteArray::AbortOnBase64DecodingErrors);
        ASSERT_TRUE(decoded) << text;
        ASSERT_EQ(decoded.decoded.toStdString(), bytes);
        ASSERT_EQ(DecodeBody(text), bytes);
    }
}

TEST(Encoding, DecodingRefusesWhatTheEncoderNeverWrites) {
    for (const char* text : {"YQ", "YQ.", "YQ...", "YR..", "YWJ.", "Y.Q.", "YQ..YWJj", "YW+j",
                             "YW/j", "YQ==", "YW j", "YWJj\n", "*WJj"})
        EXPECT_FALSE(DecodeBody(text)) << text;
    EXPECT_EQ(DecodeBody(""), "");
    EXPECT_EQ(DecodeBody("_-__"), "\xFB\xFF\xBE");
}

TEST(Encoding, NeverWritesPastTheCapacity) {
    const std::string bytes = "abcdefgh"; // 8 bytes: 12 characters
    for (std::size_t capacity = 0; capacity <= 16; ++capacity) {
        std::string out(20, '#');
        EncodeBody(out.data(), capacity, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                   bytes.size());
        const std::size_t written = out.find_first_of('#');
        ASSERT_LE(written, capacity) << capacity;
        if (capacity == 0)
            continue;
        // Whole groups of four only, then the terminator.
        const std::string text(out.c_str());
        EXPECT_EQ(text.size() % 4, 0u) << capacity;
        EXPECT_EQ(text, EncodeBody(bytes).substr(0, text.size())) << capacity;
        EXPECT_EQ(text.size(), std::min<std::size_t>(12, (capacity - 1) / 4 * 4)) << capacity;
    }
}

} // namespace

namespace {

std::unique_ptr<IslandFile> Island(const std::string& bytes, bool done = false) {
    auto island = std::make_unique<IslandFile>();
    island->bytes.Append(bytes);
    island->done = done;
    return island;
}

TEST(IslandsSourceUpload, SendsTheChosenIslandsWithTheIslandsAccount) {
    CIslandsSource source(nullptr, kHighscoreSalt, "NewHighscores_Skyholm", 25);
    source.islands.push_back(Island("one"));
    source.islands.push_back(Island("two"));
    source.islands.push_back(Island("three", true));
    source.islands[0]->chosen = true; // left over from an earlier upload
    source.AddChosen(1);
    source.AddChosen(2);
    ByteBuffer out;
    ASSERT_TRUE(source.BuildUploadBody(SomeSettings(), out));
    EXPECT_EQ(std::string(out.View()), IslandsHeader("i@sky.example", "pw") + Le32(3) + "two" +
                                           Le32(0) + Le32(kIslandsEndMark));
    EXPECT_FALSE(source.islands[0]->chosen);
    EXPECT_TRUE(source.islands[1]->chosen);
    EXPECT_TRUE(source.islands[2]->chosen); // chosen, though done and so not sent

    std::string server, user, password, path;
    std::uint32_t port = 0;
    ASSERT_TRUE(source.GetUploadTarget(SomeSettings(), server, port, user, password, path));
    EXPECT_EQ(server, "sky.example:81");
    EXPECT_EQ(port, 80u);
    EXPECT_EQ(password, "pw");
    EXPECT_EQ(path, "/up.php");
}

TEST(IslandsSourceUpload, NothingToSendWithoutIslands) {
    CIslandsSource source(nullptr, kHighscoreSalt, "NewHighscores_Skyholm", 25);
    source.AddChosen(0);
    ByteBuffer out;
    EXPECT_FALSE(source.BuildUploadBody(SomeSettings(), out));
    EXPECT_EQ(out.Length(), 0u);
}

} // namespace
