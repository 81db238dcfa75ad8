// Registry keys and whole-file reads, run against the in-memory handheld and against a device
// image folder on disk, which must behave alike.
#include "FakeDevice.h"
#include "TestImage.h"

#include "device/DeviceFile.h"
#include "device/HighscoreCollection.h"
#include "device/RemoteRegKey.h"
#include "device/SimulatedDevice.h"

#include <gtest/gtest.h>
#include <memory>

using namespace rapi;

namespace {

// Builds the same handheld content on either backend.
class Backend {
public:
    virtual ~Backend() = default;
    virtual void AddString(const QString& key, const QString& name, const QString& text) = 0;
    virtual void AddDword(const QString& key, const QString& name, DWORD value) = 0;
    virtual void AddBinary(const QString& key, const QString& name, const QByteArray& data) = 0;
    virtual void AddFile(const QString& path, const QByteArray& bytes) = 0;
    virtual IRapiDevice& Connect() = 0;
};

class FakeBackend : public Backend {
public:
    void AddString(const QString& key, const QString& name, const QString& text) override {
        device.SetString(HKEY_LOCAL_MACHINE, key, name, text);
    }
    void AddDword(const QString& key, const QString& name, DWORD value) override {
        device.SetDword(HKEY_LOCAL_MACHINE, key, name, value);
    }
    void AddBinary(const QString& key, const QString& name, const QByteArray& data) override {
        device.SetValue(HKEY_LOCAL_MACHINE, key, name, REG_BINARY, data);
    }
    void AddFile(const QString& path, const QByteArray& bytes) override {
        device.AddFile(path, bytes);
    }
    IRapiDevice& Connect() override {
        device.StartSession(0);
        return device;
    }
    FakeDevice device;
};

class ImageBackend : public Backend {
public:
    void AddString(const QString& key, const QString& name, const QString& text) override {
        Section(key) += QStringLiteral("\"%1\"=\"%2\"\n").arg(name, text);
    }
    void AddDword(const QString& key, const QString& name, DWORD value) override {
        Section(key) += QStringLiteral("\"%1\"=dword:%2\n").arg(name).arg(value, 8, 16, QChar('0'));
    }
    void AddBinary(const QString& key, const QString& name, const QByteArray& data) override {
        QStringList bytes;
        for (const char c : data)
            bytes << QStringLiteral("%1").arg(static_cast<uchar>(c), 2, 16, QChar('0'));
        Section(key) += QStringLiteral("\"%1\"=hex:%2\n").arg(name, bytes.join(u','));
    }
    void AddFile(const QString& path, const QByteArray& bytes) override {
        image.AddFile(path, bytes);
    }
    IRapiDevice& Connect() override {
        QString body;
        for (auto it = sections.begin(); it != sections.end(); ++it)
            body += QStringLiteral("[HKEY_LOCAL_MACHINE\\%1]\n%2\n").arg(it.key(), it.value());
        image.SetRegistry(body);
        device = std::make_unique<CSimulatedDevice>(image.Root());
        device->StartSession(0);
        return *device;
    }

private:
    QString& Section(const QString& key) { return sections[key]; }
    QMap<QString, QString> sections;
    TestImage image;
    std::unique_ptr<CSimulatedDevice> device;
};

class RemoteAccessTest : public ::testing::TestWithParam<bool> {
protected:
    RemoteAccessTest() {
        if (GetParam())
            backend = std::make_unique<ImageBackend>();
        else
            backend = std::make_unique<FakeBackend>();
    }
    std::unique_ptr<Backend> backend;
};

TEST_P(RemoteAccessTest, QueryStringReadsTextAndFallsBackToTheDefault) {
    backend->AddString(QStringLiteral("SOFTWARE\\Test"), QStringLiteral("Name"),
                       QStringLiteral("Ann"));
    IRapiDevice& device = backend->Connect();
    CRemoteRegKey key(&device, HKEY_LOCAL_MACHINE, "SOFTWARE\\Test");
    ASSERT_TRUE(key.IsOpen());
    EXPECT_EQ(key.QueryString("Name", "x"), "Ann");
    EXPECT_EQ(key.QueryString("name", "x"), "Ann") << "value names ignore case";
    EXPECT_EQ(key.QueryString("Missing", ""), "");
    EXPECT_EQ(key.QueryString("Missing", "some default"), "some default");

    CRemoteRegKey absent(&device, HKEY_LOCAL_MACHINE, "SOFTWARE\\Nothing");
    EXPECT_FALSE(absent.IsOpen());
    EXPECT_EQ(absent.QueryString("Name", "kept"), "kept");
    EXPECT_EQ(absent.QueryDword("Name", 7u), 7u);
    DWORD size = 4;
    char buffer[4];
    EXPECT_FALSE(absent.QueryBinary("Name", buffer, &size));
    std::string name = "stale";
    EXPECT_FALSE(absent.EnumValueName(0, name));
    EXPECT_EQ(name, "");
}

TEST_P(RemoteAccessTest, KeyPathsIgnoreCaseLeadingAndRepeatedBackslashes) {
    backend->AddString(QStringLiteral("ControlPanel\\Owner"), QStringLiteral("Name"),
                       QStringLiteral("Bob"));
    IRapiDevice& device = backend->Connect();
    for (const char* path :
         {"\\ControlPanel\\Owner", "controlpanel\\\\OWNER", "ControlPanel\\Owner"}) {
        CRemoteRegKey key(&device, HKEY_LOCAL_MACHINE, path);
        EXPECT_EQ(key.QueryString("Name", ""), "Bob") << path;
    }
}

TEST_P(RemoteAccessTest, QueryDwordTakesFourBytesOfAnyType) {
    backend->AddDword(QStringLiteral("S"), QStringLiteral("Games"), 12);
    backend->AddBinary(QStringLiteral("S"), QStringLiteral("Raw"), QByteArray::fromHex("01020304"));
    backend->AddString(QStringLiteral("S"), QStringLiteral("Text"), QStringLiteral("A"));
    backend->AddBinary(QStringLiteral("S"), QStringLiteral("Long"),
                       QByteArray::fromHex("0102030405"));
    IRapiDevice& device = backend->Connect();
    CRemoteRegKey key(&device, HKEY_LOCAL_MACHINE, "S");
    EXPECT_EQ(key.QueryDword("Games", 0xFFFFFFFF), 12u);
    EXPECT_EQ(key.QueryDword("Missing", 0xFFFFFFFF), 0xFFFFFFFFu);
    EXPECT_EQ(key.QueryDword("Raw", 0), 0x04030201u) << "the type is not looked at";
    EXPECT_EQ(key.QueryDword("Text", 0), 0x41u) << "UTF-16 'A' and its terminator";
    EXPECT_EQ(key.QueryDword("Long", 7), 7u) << "a value that does not fit is not read";
}

TEST_P(RemoteAccessTest, QueryBinaryReportsTheSize) {
    backend->AddBinary(QStringLiteral("S"), QStringLiteral("Owner"), QByteArray("A\0n\0n\0", 6));
    IRapiDevice& device = backend->Connect();
    CRemoteRegKey key(&device, HKEY_LOCAL_MACHINE, "S");
    char buffer[16] = {};
    DWORD size = sizeof buffer;
    ASSERT_TRUE(key.QueryBinary("Owner", buffer, &size));
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(QByteArray(buffer, 6), QByteArray("A\0n\0n\0", 6));
    size = 2;
    EXPECT_FALSE(key.QueryBinary("Owner", buffer, &size)) << "too small a buffer";
}

TEST_P(RemoteAccessTest, EnumValueNameWalksValuesInOrderAndStopsPastTheEnd) {
    backend->AddString(QStringLiteral("K"), QStringLiteral("first"), QStringLiteral("1"));
    backend->AddString(QStringLiteral("K"), QStringLiteral("a much longer second name"),
                       QStringLiteral("2"));
    backend->AddString(QStringLiteral("K"), QStringLiteral("3rd"), QStringLiteral("3"));
    IRapiDevice& device = backend->Connect();
    CRemoteRegKey key(&device, HKEY_LOCAL_MACHINE, "K");
    std::string name;
    ASSERT_TRUE(key.EnumValueName(0, name));
    EXPECT_EQ(name, "first");
    ASSERT_TRUE(key.EnumValueName(1, name));
    EXPECT_EQ(name, "a much longer second name");
    ASSERT_TRUE(key.EnumValueName(2, name));
    EXPECT_EQ(name, "3rd");
    EXPECT_FALSE(key.EnumValueName(3, name));
    EXPECT_EQ(name, "");
}

TEST_P(RemoteAccessTest, ReadDeviceFileAppendsOneZeroByte) {
    backend->AddFile(QStringLiteral("\\Storage\\a.dat"), QByteArray("xyz"));
    backend->AddFile(QStringLiteral("\\Storage\\empty.dat"), QByteArray());
    IRapiDevice& device = backend->Connect();
    CHighscoreCollection collection(25);
    CHighscoreSource source(&collection, kHighscoreSalt, "a", 25);

    ASSERT_EQ(ReadDeviceFile(&device, source, "\\Storage\\a.dat"), READ_OK);
    EXPECT_EQ(source.data.Length(), 4u);
    EXPECT_EQ(source.data.Position(), 4u);
    EXPECT_EQ(source.data.View(), std::string_view("xyz\0", 4));

    ASSERT_EQ(ReadDeviceFile(&device, source, "\\STORAGE\\EMPTY.DAT"), READ_OK);
    EXPECT_EQ(source.data.Length(), 1u);
    EXPECT_EQ(source.data.Data()[0], 0);

    source.table.records.push_back({"Ann", 5, ""});
    source.table.title = "Old";
    EXPECT_EQ(ReadDeviceFile(&device, source, "\\Storage\\missing.dat"), READ_OPEN_FAILED);
    EXPECT_TRUE(source.data.Empty());
    EXPECT_TRUE(source.table.records.empty()) << "a failed read leaves an empty source";
    EXPECT_EQ(source.GetTitle(), "");
    EXPECT_EQ(source.table.cursor, -1);
}

INSTANTIATE_TEST_SUITE_P(Backends, RemoteAccessTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Image" : "Fake"; });

// Faults only the in-memory handheld can stage.

TEST(RemoteAccessFaults, ShortReadEmptiesTheBuffer) {
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

TEST(RemoteAccessFaults, FailedOpenPausesOnceAndLeavesNoHandle) {
    FakeDevice device;
    CHighscoreSource source(nullptr, kHighscoreSalt, "f", 25);
    EXPECT_EQ(ReadDeviceFile(&device, source, "\\nothing"), READ_OPEN_FAILED);
    EXPECT_EQ(device.pauses, 1);
    EXPECT_EQ(device.OpenFileCount(), 0u);
    EXPECT_EQ(ReadDeviceFile(nullptr, source, "\\nothing"), READ_OPEN_FAILED);
}

TEST(RemoteAccessFaults, EnumValueNameRetriesWhileTheHandheldAsksForMoreRoom) {
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

TEST(RemoteAccessFaults, EnumValueNameWithoutKeyInfoAssumesLongNames) {
    FakeDevice device;
    device.SetString(HKEY_LOCAL_MACHINE, QStringLiteral("K"), QString(200, u'n'),
                     QStringLiteral("1"));
    device.failQueryInfo = true;
    CRemoteRegKey key(&device, HKEY_LOCAL_MACHINE, "K");
    std::string name;
    EXPECT_TRUE(key.EnumValueName(0, name));
    EXPECT_EQ(name, std::string(200, 'n'));
}

TEST(RemoteAccessFaults, KeysAreClosedWithTheObject) {
    FakeDevice device;
    device.AddKey(HKEY_LOCAL_MACHINE, QStringLiteral("K"));
    {
        CRemoteRegKey key(&device, HKEY_LOCAL_MACHINE, "K");
        EXPECT_TRUE(key.IsOpen());
        EXPECT_EQ(device.OpenKeyCount(), 1u);
    }
    EXPECT_EQ(device.OpenKeyCount(), 0u);
    CRemoteRegKey key(&device, HKEY_LOCAL_MACHINE, "K");
    EXPECT_EQ(key.Close(), 0);
    EXPECT_FALSE(key.IsOpen());
    EXPECT_EQ(key.Close(), 0) << "closing twice is harmless";
}

} // namespace
