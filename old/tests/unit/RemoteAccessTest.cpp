// Registry keys and whole-file reads over the in-memory handheld, including the faults only it
// can stage. What both real backends must answer alike is compared in RapiLibraryDeviceTest.
#include "FakeDevice.h"

#include "device/DeviceFile.h"
#include "device/HighscoreCollection.h"
#include "device/RemoteRegKey.h"

#include <gtest/gtest.h>

using namespace rapi;

namespace {

TEST(RemoteAccess, QueryDwordTakesFourBytesOfAnyType) {
    FakeDevice device;
    device.SetValue(HKEY_LOCAL_MACHINE, QStringLiteral("S"), QStringLiteral("Raw"), REG_BINARY,
                    QByteArray::fromHex("01020304"));
    device.SetString(HKEY_LOCAL_MACHINE, QStringLiteral("S"), QStringLiteral("Text"),
                     QStringLiteral("A"));
    CRemoteRegKey key(&device, HKEY_LOCAL_MACHINE, "S");
    EXPECT_EQ(key.QueryDword("Raw", 0), 0x04030201u) << "the type is not looked at";
    EXPECT_EQ(key.QueryDword("Text", 0), 0x41u) << "UTF-16 'A' and its terminator";
}

TEST(RemoteAccess, AFailedReadLeavesAnEmptySource) {
    FakeDevice device;
    CHighscoreCollection collection(25);
    CHighscoreSource source(&collection, kHighscoreSalt, "a", 25);
    source.data.Append("old");
    source.table.records.push_back({"Ann", 5, ""});
    source.table.title = "Old";
    EXPECT_EQ(ReadDeviceFile(&device, source, "\\Storage\\missing.dat"), READ_OPEN_FAILED);
    EXPECT_TRUE(source.data.Empty());
    EXPECT_TRUE(source.table.records.empty());
    EXPECT_EQ(source.GetTitle(), "");
    EXPECT_EQ(source.table.cursor, -1);
    EXPECT_EQ(device.pauses, 1);
    EXPECT_EQ(device.OpenFileCount(), 0u);
    EXPECT_EQ(ReadDeviceFile(nullptr, source, "\\nothing"), READ_OPEN_FAILED);
}

TEST(RemoteAccess, ShortReadEmptiesTheBuffer) {
    FakeDevice device;
    device.AddFile(QStringLiteral("\\f.dat"), QByteArray(100, 'x'));
    device.shortReadBytes = 1;
    CHighscoreSource source(nullptr, kHighscoreSalt, "f", 25);
    EXPECT_EQ(ReadDeviceFile(&device, source, "\\f.dat"), READ_SHORT);
    EXPECT_TRUE(source.data.Empty());
    EXPECT_EQ(source.data.Position(), 0u);
    EXPECT_EQ(device.OpenFileCount(), 0u) << "the handle is closed on every path";
    EXPECT_EQ(device.pauses, 2) << "one pause after the open, one after the close";
}

TEST(RemoteAccess, EnumValueNameRetriesWhileTheHandheldAsksForMoreRoom) {
    FakeDevice device;
    device.SetString(HKEY_LOCAL_MACHINE, QStringLiteral("K"), QStringLiteral("value"),
                     QStringLiteral("1"));
    device.moreDataAnswers = 1;
    device.moreDataLength = 40;
    CRemoteRegKey key(&device, HKEY_LOCAL_MACHINE, "K");
    std::string name;
    EXPECT_TRUE(key.EnumValueName(0, name));
    EXPECT_EQ(name, "value");

    // An answer that does not ask for more room than before ends the attempt.
    device.moreDataAnswers = 1;
    device.moreDataLength = 2;
    EXPECT_FALSE(key.EnumValueName(0, name));
    EXPECT_EQ(name, "");

    // A handheld that keeps asking for ever more room is not followed for ever.
    device.moreDataAnswers = 1000000;
    device.moreDataLength = 0x7FFFFFFF;
    EXPECT_FALSE(key.EnumValueName(0, name));
}

// What the handheld reports is capped before anything is allocated from it: a value over
// 64 KiB is skipped like a missing one, and a longest name beyond any registry's is not believed.
TEST(RemoteAccess, SizesTheHandheldReportsAreCapped) {
    FakeDevice device;
    device.SetString(HKEY_LOCAL_MACHINE, QStringLiteral("K"), QStringLiteral("fits"),
                     QString(32767, u'a')); // 64 KiB with its terminator
    device.SetString(HKEY_LOCAL_MACHINE, QStringLiteral("K"), QStringLiteral("too large"),
                     QString(32768, u'a'));
    CRemoteRegKey key(&device, HKEY_LOCAL_MACHINE, "K");
    EXPECT_EQ(key.QueryString("fits", "-"), std::string(32767, 'a'));
    EXPECT_EQ(key.QueryString("too large", "-"), "-");
    device.reportedValueBytes = 0xFFFFFFF0u; // 2 * size + 2 wraps in 32 bits
    EXPECT_EQ(key.QueryString("fits", "-"), "-");

    device.reportedMaxNameChars = 0xFFFFFFF0u;
    std::string name;
    EXPECT_TRUE(key.EnumValueName(1, name));
    EXPECT_EQ(name, "too large");
}

TEST(RemoteAccess, EnumValueNameWithoutKeyInfoAssumesLongNames) {
    FakeDevice device;
    device.SetString(HKEY_LOCAL_MACHINE, QStringLiteral("K"), QString(200, u'n'),
                     QStringLiteral("1"));
    device.failQueryInfo = true;
    CRemoteRegKey key(&device, HKEY_LOCAL_MACHINE, "K");
    std::string name;
    EXPECT_TRUE(key.EnumValueName(0, name));
    EXPECT_EQ(name, std::string(200, 'n'));
}

TEST(RemoteAccess, KeysAreClosedWithTheObject) {
    FakeDevice device;
    device.AddKey(HKEY_LOCAL_MACHINE, QStringLiteral("K"));
    {
        CRemoteRegKey key(&device, HKEY_LOCAL_MACHINE, "K");
        EXPECT_EQ(device.OpenKeyCount(), 1u);
    }
    EXPECT_EQ(device.OpenKeyCount(), 0u);
}

} // namespace
