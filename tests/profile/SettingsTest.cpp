// The publish settings in the profile, the rules for their texts, the per-user profile itself
// and the device settings.
#include "StoppingProfile.h"
#include "UnwritableProfile.h"

#include "profile/DeviceSettings.h"
#include "profile/Settings.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>

namespace {

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

TEST(SettingsText, TrimmingEmailsAndPasswords) {
    EXPECT_EQ(trimmedText(u" \t\r\n a b \n\r\t "_s), u"a b"_s);
    EXPECT_EQ(trimmedText(u" \t\r\n"_s), u""_s);
    EXPECT_EQ(trimmedText(u"\va\f"_s), u"\va\f"_s);
    QString valid;
    for (const char* address : {"", "a@b", "me@@x", "@ab", "ab@", "ab", "@"})
        valid += isValidEmailAddress(QString::fromLatin1(address)) ? u'1' : u'0';
    EXPECT_EQ(valid, u"1110000"_s);

    // 'a' ^ 0x6B, then 'b' ^ (0x6B + 0x35), then 'c' ^ (0x6B + 2 * 0x35) mod 256.
    EXPECT_EQ(obfuscatePassword(u"abc"_s), u"0AC2B6"_s);
    // A last odd character is ignored, any case is read, a zero byte ends the password, and a
    // character that is no hex digit counts as 0 (0 ^ 0x6B is "k").
    QStringList revealed;
    for (const char* stored : {"0AC2B6", "0ac2b6", "0AC2B67", "", "6B0AC2", "0f", "00", "G0", "/:"})
        revealed << revealPassword(QString::fromLatin1(stored));
    EXPECT_EQ(revealed.join(u','), u"abc,abc,abc,,,d,k,k,k"_s);
    const QString typed = u"p\u00e4ss w\u00f6rd \u20ac \t"_s; // 8-bit text, byte by byte
    EXPECT_EQ(revealPassword(obfuscatePassword(typed)), typed);
}

TEST(SettingsText, ScriptUrlsSplitIntoServerAndPath) {
    for (const auto& [url, server, path, secure] :
         std::initializer_list<std::tuple<const char*, const char*, const char*, bool>>{
             {"  \t http://scores.example/cgi/up.php \r\n", "scores.example", "/cgi/up.php", false},
             {"scores.example:8080", "scores.example:8080", "", false},
             {"/only/a/path", "", "/only/a/path", false},
             {"ftp:// host.example /a://b", "host.example", "/a://b", false},
             {"HTTPS://secure.example/up", "secure.example", "/up", true},
             {"https:/x/y", "https:", "/x/y", false},
             {"://host/p", "host", "/p", false}}) {
        DestinationSettings destination;
        destination.setScriptUrl(QString::fromLatin1(url));
        EXPECT_EQ(std::tuple(destination.server, destination.scriptPath, destination.secure),
                  std::tuple(QString::fromLatin1(server), QString::fromLatin1(path), secure))
            << url;
        EXPECT_EQ(destination.defaultPort(), secure ? 443 : 80);
        EXPECT_EQ(destination.scriptUrl(),
                  (secure ? u"https://"_s : u""_s) + QLatin1String(server) + QLatin1String(path));
    }
}

TEST(Settings, LoadsAndSavesTheAccount) {
    StoppingProfile profile;
    profile.setValue(u"Options/ScriptPath"_s, u"  http://ludora.example/hs/up.php  "_s);
    profile.setValue(u"Options/Email"_s, u" me@ludora.example "_s);
    profile.setValue(u"Options/Skyholm_ScriptPath"_s, u"https://sky.example:8443/up.php"_s);
    profile.setValue(u"Options/Skyholm_Email"_s, u"me@sky.example"_s);
    profile.setValue(u"Options/Skyholm_Password"_s, obfuscatePassword(u"\t pass word \n"_s));
    Settings settings;
    settings.community.password = u"left over"_s;
    settings.load(profile);
    EXPECT_EQ(settings.community,
              (DestinationSettings{
                  u"ludora.example"_s, u"/hs/up.php"_s, false, u"me@ludora.example"_s, {}}));
    EXPECT_EQ(settings.islands, (DestinationSettings{u"sky.example:8443"_s, u"/up.php"_s, true,
                                                     u"me@sky.example"_s, u"\t pass word \n"_s}));

    settings.community.email = u"new@ludora.example"_s;
    settings.islands.password = u"new one"_s;
    for (int stop = 0; stop < 3; ++stop) { // a failed write is reported
        profile.stopAfter(stop);
        EXPECT_FALSE(settings.saveAccount(profile)) << stop;
    }
    profile.stopAfter(-1);
    ASSERT_TRUE(settings.saveAccount(profile));
    Settings again;
    again.load(profile);
    EXPECT_EQ(again, settings);

    // An empty URL that older versions stored goes, so the system-wide one applies. A URL the
    // profile already gives, maybe from the system-wide settings, is not copied into the user's
    // own, so that a later change by the administrator reaches the user.
    profile.setValue(u"Options/Skyholm_ScriptPath"_s, u" "_s);
    settings.load(profile);
    ASSERT_TRUE(settings.saveAccount(profile));
    EXPECT_FALSE(profile.values().contains(u"Options/Skyholm_ScriptPath"_s));
    ASSERT_TRUE(saveScriptUrl(profile, Site::Community, u" ludora.example/hs/up.php"_s));
    EXPECT_EQ(profile.value(u"Options/ScriptPath"_s), u"  http://ludora.example/hs/up.php  "_s);
    ASSERT_TRUE(saveScriptUrl(profile, Site::Islands, u"HTTPS://sky.example/u"_s));
    EXPECT_EQ(profile.value(u"Options/Skyholm_ScriptPath"_s), QVariant(u"https://sky.example/u"_s));
    ASSERT_TRUE(saveScriptUrl(profile, Site::Community, u"  "_s));
    EXPECT_FALSE(profile.values().contains(u"Options/ScriptPath"_s));
}

// Every write reaches the disk or says that it did not, and leaves the profile file readable
// by its owner only, since it holds the islands password.
TEST(UserProfile, WritesAreCheckedAndLeaveTheFileToItsOwner) {
    UserProfile profile;
    const QString file = QSettings().fileName();
    QFile::remove(file); // the first write creates it
    for (const bool remove : {false, true}) {
        ASSERT_TRUE(remove ? profile.remove(u"IslandsToDelete/x"_s)
                           : profile.setValue(u"IslandsToDelete/x"_s, u"1"_s));
        EXPECT_EQ(QSettings().contains(u"IslandsToDelete/x"_s), !remove);
#ifdef Q_OS_UNIX
        const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                            QFileDevice::ReadOther | QFileDevice::WriteOther;
        EXPECT_EQ(QFile::permissions(file) & others, 0);
        QFile::setPermissions(file, QFile::permissions(file) | others); // for the next write
#endif
    }
    if (!UnwritableProfile::kPossible)
        GTEST_SKIP() << "the profile is in the registry, which cannot be made unwritable";
    const UnwritableProfile unwritable;
    EXPECT_FALSE(profile.setValue(u"IslandsToDelete/x"_s, u"1"_s));
    EXPECT_EQ(UserProfile::notSavedText(),
              u"The settings could not be saved to \"%1\"."_s.arg(QDir::toNativeSeparators(file)));
}

TEST(DeviceSettings, TheLibraryAndTheWaitComeFromTheEnvironmentThenTheProfile) {
    StoppingProfile profile;
    const QStringList platform = {u"libsynce.so.0"_s, u"librapi.so.2"_s};
    EXPECT_EQ(rapiLibraryCandidates(profile, platform), platform);
    profile.setValue(u"Device/RapiLibrary"_s, u" librapi.so.2 "_s);
    qputenv("SCORVANE_RAPI_LIBRARY", "/opt/env/libsynce.so.0");
    EXPECT_EQ(rapiLibraryCandidates(profile, platform),
              (QStringList{u"/opt/env/libsynce.so.0"_s, u"librapi.so.2"_s, u"libsynce.so.0"_s}));
    qunsetenv("SCORVANE_RAPI_LIBRARY");

    EXPECT_EQ(sessionWaitOverride(profile), std::nullopt);
    profile.setValue(u"Device/SessionWaitMs"_s, u"1200"_s);
    QStringList waits;
    for (const char* environment :
         {" 250 ", "0", "600000", "0000000250", "abc", "-5", "+5", "600001", "99999999999", ""}) {
        qputenv("SCORVANE_SESSION_WAIT_MS", environment);
        waits << QString::number(sessionWaitOverride(profile).value_or(-1ms).count());
    }
    EXPECT_EQ(waits.join(u' '), u"250 0 600000 250 1200 1200 1200 1200 1200 1200"_s);
    qunsetenv("SCORVANE_SESSION_WAIT_MS");
}

} // namespace
