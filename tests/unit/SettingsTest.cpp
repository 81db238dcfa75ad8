// The settings store: URL splitting, the password encoding, the profile and its system-wide
// fallback, and the account checks of the Options dialog.
#include "ui/Settings.h"
#include "ui/EmailRule.h"
#include "ui/Profile.h"

#include "UnwritableProfile.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {

// A clean per-user profile and an empty (or test-provided) system-wide one for each test.
class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedDirs = qgetenv("XDG_CONFIG_DIRS");
        hadDirs = qEnvironmentVariableIsSet("XDG_CONFIG_DIRS");
        qputenv("XDG_CONFIG_DIRS", system.path().toLocal8Bit());
        QSettings().clear();
    }
    void TearDown() override {
        QSettings().clear();
        if (hadDirs)
            qputenv("XDG_CONFIG_DIRS", savedDirs);
        else
            qunsetenv("XDG_CONFIG_DIRS");
    }

    // Writes the system-wide settings file an installer would provide.
    void WriteSystemWide(const QByteArray& options) {
        QDir(system.path()).mkpath(QStringLiteral("Zelkora"));
        QFile file(system.path() + QStringLiteral("/Zelkora/Scorvane.conf"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Options]\n" + options);
    }

    static QString Stored(const char* key) {
        QSettings own;
        own.setFallbacksEnabled(false);
        return own.value(QStringLiteral("Options/") + QLatin1String(key)).toString();
    }
    static bool OwnHas(const char* key) {
        QSettings own;
        own.setFallbacksEnabled(false);
        return own.contains(QStringLiteral("Options/") + QLatin1String(key));
    }

    QTemporaryDir system;
    QByteArray savedDirs;
    bool hadDirs = false;
};

TEST(TrimWhitespace, RemovesOnlyTheFourBlankCharactersFromBothEnds) {
    EXPECT_EQ(TrimWhitespace(" \t\r\n a b \n\r\t "), "a b");
    EXPECT_EQ(TrimWhitespace(" \t\r\n"), "");
    EXPECT_EQ(TrimWhitespace("\va\f"), "\va\f");
}

TEST(DestinationSettings, SplitsAStoredUrlIntoServerAndPath) {
    DestinationSettings d;
    d.SetScriptUrl("  \t http://scores.example/cgi/upload.php \r\n");
    EXPECT_EQ(d.server, "scores.example");
    EXPECT_EQ(d.scriptPath, "/cgi/upload.php");
    EXPECT_FALSE(d.secure);
    EXPECT_EQ(d.GetServerAndPath(), "scores.example/cgi/upload.php");
    EXPECT_EQ(d.GetScriptUrl(), "scores.example/cgi/upload.php");

    d.SetScriptUrl("scores.example:8080");
    EXPECT_EQ(d.server, "scores.example:8080");
    EXPECT_EQ(d.scriptPath, "");

    d.SetScriptUrl("/only/a/path");
    EXPECT_EQ(d.server, "");
    EXPECT_EQ(d.scriptPath, "/only/a/path");

    // Only the first "://" is the scheme; blanks inside the server part are trimmed too.
    d.SetScriptUrl("ftp:// host.example /a://b");
    EXPECT_EQ(d.server, "host.example");
    EXPECT_EQ(d.scriptPath, "/a://b");
    EXPECT_FALSE(d.secure);

    d.SetScriptUrl("HTTPS://secure.example/up");
    EXPECT_TRUE(d.secure);
    EXPECT_EQ(d.GetServerAndPath(), "secure.example/up");
    EXPECT_EQ(d.GetScriptUrl(), "https://secure.example/up");
    d.SetScriptUrl("http://secure.example/up");
    EXPECT_FALSE(d.secure);
}

TEST(DestinationSettings, SettersTrimAndNormalise) {
    DestinationSettings d;
    d.SetScriptPath("upload.php");
    EXPECT_EQ(d.scriptPath, "/upload.php");
    d.SetScriptPath(" \t");
    EXPECT_EQ(d.scriptPath, "");
    d.SetServer(" http:// a.example ");
    EXPECT_EQ(d.server, "a.example");
    d.SetEmail("\tme@x.example\n");
    EXPECT_EQ(d.email, "me@x.example");
    d.SetPort(0xFFFFFFFFu);
    EXPECT_EQ(d.port, 65535u);
    d.SetPort(8080);
    EXPECT_EQ(d.port, 8080u);
}

TEST(Password, EncodesToUppercaseHexAndDecodesBack) {
    EXPECT_EQ(EncodePassword(""), "");
    EXPECT_EQ(DecodePassword(""), "");
    // The first key byte is the key start, the next adds the step.
    char expected[5];
    std::snprintf(expected, sizeof expected, "%02X%02X", 'a' ^ kPasswordKeyStart,
                  'b' ^ ((kPasswordKeyStart + kPasswordKeyStep) & 0xFF));
    EXPECT_EQ(EncodePassword("ab"), expected);

    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::string password(std::size_t(random() % 600), '\0');
        for (char& c : password)
            c = static_cast<char>(1 + random() % 255); // a password is text: no zero byte
        const std::string encoded = EncodePassword(password);
        ASSERT_EQ(encoded.size(), 2 * password.size());
        ASSERT_EQ(encoded.find_first_not_of("0123456789ABCDEF"), std::string::npos);
        ASSERT_EQ(DecodePassword(encoded), password);
    }
}

TEST(Password, DecodesMalformedTextWithoutComplaint) {
    const std::string encoded = EncodePassword("secret");
    // A last odd character is ignored.
    EXPECT_EQ(DecodePassword(encoded + "7"), "secret");
    // Lowercase digits are digits too.
    std::string lower = encoded;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(DecodePassword(lower), "secret");
    // A character that is no hex digit counts as nibble 0.
    EXPECT_EQ(DecodePassword("G0"), DecodePassword("00"));
    EXPECT_EQ(DecodePassword("/:"), DecodePassword("00"));
    EXPECT_EQ(DecodePassword("zz").size(), 1u);
    // A byte that decodes to zero ends the text.
    char zero[3];
    std::snprintf(zero, sizeof zero, "%02X", kPasswordKeyStart);
    EXPECT_EQ(DecodePassword(std::string(zero) + encoded), "");
}

TEST_F(ProfileTest, MissingKeysLoadEmptyWithDefaultPorts) {
    CSettings settings;
    settings.community.email = "left over";
    settings.Load();
    EXPECT_EQ(settings.community, DestinationSettings());
    EXPECT_EQ(settings.islands, DestinationSettings());
    EXPECT_EQ(settings.community.port, 80u);
    EXPECT_EQ(settings.islands.port, 80u);
}

TEST_F(ProfileTest, LoadsAndSavesTheFiveKeys) {
    {
        QSettings profile;
        profile.setValue(QStringLiteral("Options/ScriptPath"),
                         QStringLiteral("  http://ludora.example/hs/upload.php  "));
        profile.setValue(QStringLiteral("Options/Email"), QStringLiteral(" me@ludora.example "));
        profile.setValue(QStringLiteral("Options/Skyholm_ScriptPath"),
                         QStringLiteral("skyholm.example:8080/up.php"));
        profile.setValue(QStringLiteral("Options/Skyholm_Email"), QStringLiteral("me@sky.example"));
        profile.setValue(QStringLiteral("Options/Skyholm_Password"),
                         QString::fromLatin1(EncodePassword("\t pass word \n")));
    }
    CSettings settings;
    settings.Load();
    EXPECT_EQ(settings.community.server, "ludora.example");
    EXPECT_EQ(settings.community.scriptPath, "/hs/upload.php");
    EXPECT_EQ(settings.community.email, "me@ludora.example");
    EXPECT_EQ(settings.community.password, "");
    EXPECT_EQ(settings.islands.server, "skyholm.example:8080");
    EXPECT_EQ(settings.islands.scriptPath, "/up.php");
    EXPECT_EQ(settings.islands.port, 80u);
    EXPECT_EQ(settings.islands.password, "\t pass word \n"); // a password is kept as typed
    EXPECT_EQ(settings.islands.email, "me@sky.example");

    settings.islands.SetPassword("new one");
    ASSERT_TRUE(settings.Save());
    // The scheme is not kept for plain HTTP: the URL comes back as server and path.
    EXPECT_EQ(Stored("ScriptPath"), QStringLiteral("ludora.example/hs/upload.php"));
    EXPECT_EQ(Stored("Skyholm_ScriptPath"), QStringLiteral("skyholm.example:8080/up.php"));
    EXPECT_EQ(Stored("Skyholm_Password"), QString::fromLatin1(EncodePassword("new one")));
    CSettings again;
    again.Load();
    EXPECT_EQ(again, settings);
}

TEST_F(ProfileTest, HttpsIsKeptOnSaveAndSelectsPort443) {
    QSettings().setValue(QStringLiteral("Options/ScriptPath"),
                         QStringLiteral("https://ludora.example/up.php"));
    CSettings settings;
    settings.Load();
    EXPECT_TRUE(settings.community.secure);
    EXPECT_EQ(settings.community.port, 443u);
    EXPECT_EQ(settings.community.GetServerAndPath(), "ludora.example/up.php");
    EXPECT_TRUE(settings.IsSecureTarget("ludora.example", "/up.php"));
    EXPECT_FALSE(settings.IsSecureTarget("ludora.example", "/other.php"));
    EXPECT_FALSE(settings.islands.secure);

    ASSERT_TRUE(settings.Save());
    EXPECT_EQ(Stored("ScriptPath"), QStringLiteral("https://ludora.example/up.php"));
    CSettings again;
    again.Load();
    EXPECT_TRUE(again.community.secure);
    EXPECT_EQ(again, settings);
}

TEST_F(ProfileTest, ScriptUrlsStayWithTheSystemWideSettings) {
    // No URL anywhere: saving writes none, since an empty one would hide the URLs an
    // administrator installs later; one that older versions left empty goes.
    QSettings().setValue(QStringLiteral("Options/Skyholm_ScriptPath"), QString());
    CSettings settings;
    settings.Load();
    ASSERT_TRUE(settings.Save());
    EXPECT_FALSE(OwnHas("ScriptPath"));
    EXPECT_FALSE(OwnHas("Skyholm_ScriptPath"));

#ifdef Q_OS_WIN
    GTEST_SKIP() << "the system-wide settings are in HKEY_LOCAL_MACHINE there, not in a file";
#endif
    WriteSystemWide("ScriptPath=http://ludora.example/hs/upload.php\n"
                    "Skyholm_ScriptPath=https://sky.example/up.php\n");
    settings.Load();
    EXPECT_EQ(settings.community.GetServerAndPath(), "ludora.example/hs/upload.php");
    EXPECT_TRUE(settings.islands.secure);
    settings.community.SetEmail("me@x.example");
    ASSERT_TRUE(settings.Save());
    EXPECT_FALSE(OwnHas("ScriptPath"));
    EXPECT_FALSE(OwnHas("Skyholm_ScriptPath"));
    EXPECT_EQ(Stored("Email"), QStringLiteral("me@x.example"));
    EXPECT_TRUE(OwnHas("Skyholm_Password"));

    // A later change by the administrator reaches the user.
    WriteSystemWide("ScriptPath=http://moved.example/upload.php\n");
    settings.Load();
    EXPECT_EQ(settings.community.GetServerAndPath(), "moved.example/upload.php");
    EXPECT_EQ(settings.community.email, "me@x.example");

    // A destination that differs from the system-wide one is the user's own and is written.
    settings.community.SetScriptUrl("elsewhere.example/u.php");
    ASSERT_TRUE(settings.Save());
    EXPECT_EQ(Stored("ScriptPath"), QStringLiteral("elsewhere.example/u.php"));
}

// Every save reaches the disk or says that it did not, and leaves the profile file readable by
// its owner only, since it holds the islands password.
TEST_F(ProfileTest, SavesAreCheckedAndLeaveTheFileToItsOwner) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "the profile is in the registry there, which a test cannot make unwritable";
#endif
    CSettings settings;
    settings.islands.SetPassword("pw");
    const QString mark = QStringLiteral("IslandsToDelete/x");
    const std::vector<std::function<bool()>> saves = {
        [&] { return settings.Save(); },
        [&] { return UserProfile().SetValue(mark, QStringLiteral("1")); },
        [&] { return UserProfile().Remove(mark); },
    };
    const QString file = OpenProfile().fileName();
    QFile::remove(file); // the first save creates it
    for (const auto& save : saves) {
        ASSERT_TRUE(save());
#ifdef Q_OS_UNIX
        const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                            QFileDevice::ReadOther | QFileDevice::WriteOther;
        EXPECT_EQ(QFile::permissions(file) & others, 0);
        QFile::setPermissions(file, QFile::permissions(file) | others); // for the next save
#endif
    }
    const UnwritableProfile unwritable;
    EXPECT_FALSE(saves[0]());
    EXPECT_FALSE(saves[1]());
}

TEST(EmailRule, FirstAtMustBeNeitherFirstNorLast) {
    EXPECT_TRUE(IsValidEmailAddress(""));
    EXPECT_TRUE(IsValidEmailAddress("a@b"));
    EXPECT_TRUE(IsValidEmailAddress("me@@x"));
    EXPECT_FALSE(IsValidEmailAddress("@ab"));
    EXPECT_FALSE(IsValidEmailAddress("ab@"));
    EXPECT_FALSE(IsValidEmailAddress("ab"));
}

TEST(EmailRule, ApplyChecksCommunityFirstAndStoresOnlyWhenBothPass) {
    CSettings settings;
    settings.community.email = "old@c";
    settings.islands.email = "old@i";
    settings.islands.password = "old";
    EXPECT_EQ(ApplyAccountFields(settings, "@bad", "also@", "pw"), AccountField::CommunityEmail);
    EXPECT_EQ(ApplyAccountFields(settings, "ok@c", "bad@", "pw"), AccountField::IslandsEmail);
    EXPECT_EQ(settings.community.email, "old@c");
    EXPECT_EQ(settings.islands.password, "old");

    // Blanks around an address are removed before the check.
    EXPECT_EQ(ApplyAccountFields(settings, "  a@b \t", "\n", " pw "), AccountField::None);
    EXPECT_EQ(settings.community.email, "a@b");
    EXPECT_EQ(settings.islands.email, "");
    EXPECT_EQ(settings.islands.password, " pw ");
}

} // namespace
