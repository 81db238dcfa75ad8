// The backend that loads the remote API library at run time, run against the stand-in library
// the tests build: loading, opening sessions that answer late or never, the calls' results,
// and the same answers as the simulated handheld over the same device image.
#include "FakeDevice.h"
#include "RapiStub.h"
#include "TestImage.h"
#include "TestText.h"

#include "device/DeviceConnector.h"
#include "device/DeviceFile.h"
#include "device/DownloadJob.h"
#include "device/HighscoreCollection.h"
#include "device/RapiLibraryDevice.h"
#include "device/RapiSession.h"
#include "device/RemoteRegKey.h"
#include "device/SimulatedDevice.h"
#include "device/TextCodec.h"
#include "scores/HighscoreSource.h"

#include <QFile>
#include <QLibrary>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <thread>

using namespace rapi;

namespace {

const QString kStubPath = QStringLiteral(SCORVANE_RAPISTUB_PATH);
const QString kStubWithoutEnumPath = QStringLiteral(SCORVANE_RAPISTUB_NOENUM_PATH);
constexpr int kGenerousMs = 20000; // only ever reached when something is broken

// The control functions of one stand-in library file.
struct StubControl {
    explicit StubControl(const QString& path) : file(path) {
        ok = file.load() && Get("RapiStub_Reset", Reset) && Get("RapiStub_SetImage", SetImage) &&
             Get("RapiStub_UseDevice", UseDevice) &&
             Get("RapiStub_SetSessionMode", SetSessionMode) && Get("RapiStub_Release", Release) &&
             Get("RapiStub_SetMoreDataAnswers", SetMoreDataAnswers) &&
             Get("RapiStub_SetEmptySearchLeavesPointer", SetEmptySearchLeavesPointer) &&
             Get("RapiStub_SetReportedSearchCount", SetReportedSearchCount) &&
             Get("RapiStub_GetCounters", GetCounters) &&
             Get("RapiStub_WaitForInitCalls", WaitForInitCalls) &&
             Get("RapiStub_WaitUntilIdle", WaitUntilIdle);
    }
    template <typename F> bool Get(const char* name, F& function) {
        function = reinterpret_cast<F>(file.resolve(name));
        return function != nullptr;
    }
    RapiStubCounters Counters() {
        RapiStubCounters counters{};
        GetCounters(&counters);
        return counters;
    }

    QLibrary file;
    bool ok = false;
    RapiStubResetFn Reset = nullptr;
    RapiStubSetImageFn SetImage = nullptr;
    RapiStubUseDeviceFn UseDevice = nullptr;
    RapiStubSetSessionModeFn SetSessionMode = nullptr;
    RapiStubReleaseFn Release = nullptr;
    RapiStubSetMoreDataAnswersFn SetMoreDataAnswers = nullptr;
    RapiStubSetEmptySearchLeavesPointerFn SetEmptySearchLeavesPointer = nullptr;
    RapiStubSetReportedSearchCountFn SetReportedSearchCount = nullptr;
    RapiStubGetCountersFn GetCounters = nullptr;
    RapiStubWaitForInitCallsFn WaitForInitCalls = nullptr;
    RapiStubWaitUntilIdleFn WaitUntilIdle = nullptr;
};

// The same small handheld for every backend.
void FillImage(TestImage& image) {
    image.SetRegistry(QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zelkora\\Scorvane]\n"
                                     "\"first\"=\"Ann\"\n"
                                     "\"a much longer second name\"=dword:0000002a\n"
                                     "\"Bytes\"=hex:01,02,03,04,05\n"
                                     "\"Gr\u00fc\u00dfe\"=\"\u00e9t\u00e9\"\n"
                                     "[HKEY_CURRENT_USER\\Empty]\n"));
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\vondrel\\HighScores.sco"),
                  QByteArray("level table\0bytes", 17));
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\vondrel\\empty.dat"), QByteArray());
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\Alpha\\records.dat"), "r");
    image.AddFile(QStringLiteral("\\Storage\\Program Files\\island \u00e9.isl"), "isle");
    image.AddFolder(QStringLiteral("\\Storage Card\\Program Files"));
    image.AddFolder(QStringLiteral("\\Nothing Here"));
    image.SetDeviceIni(QStringLiteral("[Device]\nStorageCards=Storage Card\n[Link]\nPacing=0\n"));
}

// Everything the program asks of a handheld, as text, so two backends can be compared.
std::vector<std::string> Survey(IRapiDevice& device) {
    std::vector<std::string> out;
    {
        CRemoteRegKey key(&device, HKEY_LOCAL_MACHINE, "\\software\\\\ZELKORA\\Scorvane");
        out.push_back("open " + std::to_string(key.IsOpen()));
        out.push_back(key.QueryString("FIRST", "-"));
        out.push_back(key.QueryString("missing", "default"));
        out.push_back(std::to_string(key.QueryDword("a much longer second name", 7)));
        out.push_back(std::to_string(key.QueryDword("Bytes", 7)) + " (too long for a dword)");
        char bytes[16] = {};
        DWORD size = sizeof bytes;
        // The operands of + are not sequenced: calls that change what is printed come first.
        const bool gotBinary = key.QueryBinary("Bytes", bytes, &size);
        out.push_back("binary " + std::to_string(gotBinary) + " " + std::to_string(size) + " " +
                      std::to_string(bytes[4]));
        size = 2;
        out.push_back("small binary " + std::to_string(key.QueryBinary("Bytes", bytes, &size)));
        out.push_back(key.QueryString(NarrowFromQString(QStringLiteral("Gr\u00fc\u00dfe")), "-"));
        for (DWORD i = 0; i < 5; ++i) {
            std::string name = "stale";
            out.push_back("enum " + std::to_string(key.EnumValueName(i, name)) + " " + name);
        }
        CRemoteRegKey empty(&device, HKEY_CURRENT_USER, "Empty");
        std::string name = "stale";
        out.push_back("empty " + std::to_string(empty.IsOpen()) + " " +
                      std::to_string(empty.EnumValueName(0, name)) + " " + name);
        CRemoteRegKey absent(&device, HKEY_LOCAL_MACHINE, "SOFTWARE\\Absent");
        DWORD absentSize = sizeof bytes;
        name = "stale";
        out.push_back("absent " + std::to_string(absent.IsOpen()) + " " +
                      absent.QueryString("first", "kept") + " " +
                      std::to_string(absent.QueryDword("first", 7)) + " " +
                      std::to_string(absent.QueryBinary("Bytes", bytes, &absentSize)) + " " +
                      std::to_string(absent.EnumValueName(0, name)) + " " + name);
        HKEY raw = 0;
        out.push_back("bad parent " + std::to_string(device.CeRegOpenKeyEx(
                                          0x1234567, W("x").c_str(), 0, KEY_ALL_ACCESS, &raw)));
        const HKEY handle = key.Handle();
        out.push_back("double close " + std::to_string(key.Close()) + " " +
                      std::to_string(device.CeRegCloseKey(handle)));
    }
    CHighscoreCollection collection(25);
    CHighscoreSource source(&collection, kHighscoreSalt, "x", 25);
    for (const char* path :
         {"\\Storage\\Program Files\\vondrel\\HighScores.sco",
          "\\storage\\\\program files\\VONDREL\\EMPTY.DAT", "\\Storage\\Program Files\\missing.sco",
          "\\Storage\\Program Files", "\\Storage\\Program Files\\island \xc3\xa9.isl"}) {
        const int result = ReadDeviceFile(&device, source, path);
        out.push_back("read " + std::to_string(result) + " " + std::string(source.data.View()));
    }
    out.push_back(Listing(device, "\\*.*",
                          FAF_FOLDERS_ONLY | FAF_ATTRIB_CHILDREN | FAF_NAME | FAF_ATTRIBUTES));
    out.push_back(Listing(device, "\\Storage\\Program Files\\*.*", FAF_NAME | FAF_ATTRIBUTES));
    out.push_back(Listing(device, "\\Storage\\Program Files\\*.*", FAF_FOLDERS_ONLY | FAF_NAME));
    out.push_back(Listing(device, "\\Storage\\Program Files\\vondrel\\*.sco", FAF_NAME));
    out.push_back(Listing(device, "\\Nothing Here\\*.*", FAF_NAME));
    out.push_back(Listing(device, "\\Absent\\*.*", FAF_NAME));
    for (const char* path : {"\\Storage", "\\STORAGE CARD",
                             "\\Storage\\Program Files\\Alpha\\"
                             "records.dat",
                             "\\Storage\\missing"})
        out.push_back("attributes " + std::to_string(device.CeGetFileAttributes(W(path).c_str())));
    const std::u16string doomed = W("\\Storage\\Program Files\\Alpha\\records.dat");
    const BOOL deleted = device.CeDeleteFile(doomed.c_str());
    const DWORD attributesAfter = device.CeGetFileAttributes(doomed.c_str());
    out.push_back("delete " + std::to_string(deleted) + " " + std::to_string(attributesAfter) +
                  " " + std::to_string(device.CeDeleteFile(W("\\Storage").c_str())));
    const HANDLE file =
        device.CeCreateFile(W("\\Storage\\Program Files\\vondrel\\empty.dat").c_str(), GENERIC_READ,
                            FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    DWORD got = 5;
    char byte = 0;
    const BOOL closed = device.CeCloseHandle(file);
    const BOOL closedAgain = device.CeCloseHandle(file);
    const BOOL readAfterClose = device.CeReadFile(file, &byte, 1, &got);
    out.push_back("handle " + std::to_string(file != INVALID_HANDLE_VALUE) + " " +
                  std::to_string(closed) + " " + std::to_string(closedAgain) + " " +
                  std::to_string(readAfterClose) + " " + std::to_string(got) + " " +
                  std::to_string(device.CeGetFileSize(file, nullptr)));
    device.CeRapiUninit();
    out.push_back("after the session " +
                  std::to_string(device.CeGetFileAttributes(W("\\Storage").c_str())) + " " +
                  std::to_string(ReadDeviceFile(
                      &device, source, "\\Storage\\Program Files\\vondrel\\HighScores.sco")));
    return out;
}

class RapiLibraryDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(stub.ok) << qPrintable(stub.file.errorString());
        stub.Reset();
    }
    void TearDown() override {
        stub.SetSessionMode(RAPISTUB_ANSWER); // lets a held opening finish
        EXPECT_TRUE(stub.WaitUntilIdle(kGenerousMs)) << "a session was left open";
        stub.UseDevice(nullptr);
    }

    static QStringList StubOnly() { return {kStubPath}; }
    bool Connect(CRapiLibraryDevice& device, IRapiDevice* served) {
        stub.UseDevice(served);
        return device.StartSession(kGenerousMs);
    }

    StubControl stub{kStubPath};
};

TEST_F(RapiLibraryDeviceTest, OnlyALibraryWithEveryFunctionIsUsed) {
    TestImage image;
    FillImage(image);
    stub.SetImage(image.Root().toUtf8().constData());

    QTemporaryDir folder;
    const QString notALibrary = folder.filePath(QStringLiteral("librapi.so.2"));
    QFile text(notALibrary);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a library");
    text.close();

    for (const QStringList& candidates :
         {QStringList{}, QStringList{folder.filePath(QStringLiteral("absent.so"))},
          QStringList{notALibrary}, QStringList{kStubWithoutEnumPath}}) {
        CRapiLibraryDevice device(candidates);
        EXPECT_FALSE(device.StartSession(kGenerousMs)) << qPrintable(candidates.join(u','));
        EXPECT_TRUE(device.LoadedLibrary().isEmpty());
        HKEY key = 0;
        EXPECT_EQ(device.CeRegOpenKeyEx(HKEY_LOCAL_MACHINE, W("SOFTWARE").c_str(), 0,
                                        KEY_ALL_ACCESS, &key),
                  ERROR_INVALID_HANDLE);
        EXPECT_EQ(device.CeGetFileAttributes(W("\\Storage").c_str()), INVALID_FILE_ATTRIBUTES);
    }
    StubControl withoutEnum(kStubWithoutEnumPath);
    ASSERT_TRUE(withoutEnum.ok);
    EXPECT_EQ(withoutEnum.Counters().initCalls, 0) << "a library lacking a function is not called";

    // Candidates are tried in order until one is usable.
    CRapiLibraryDevice device({folder.filePath(QStringLiteral("absent.so")), notALibrary,
                               kStubWithoutEnumPath, kStubPath});
    ASSERT_TRUE(device.StartSession(kGenerousMs));
    EXPECT_EQ(device.LoadedLibrary(), kStubPath);
    EXPECT_EQ(device.CeGetFileAttributes(W("\\Storage").c_str()), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(RapiLibraryDeviceTest, AnswersLikeTheSimulatedHandheldOverTheSameImage) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "the stand-in library has the open-source library's 32-bit handles, not the "
                    "desktop library's pointers";
#endif
    TestImage simulatedImage, libraryImage;
    FillImage(simulatedImage);
    FillImage(libraryImage);

    CSimulatedDevice simulated(simulatedImage.Root());
    ASSERT_TRUE(simulated.StartSession(0));
    const std::vector<std::string> expected = Survey(simulated);

    stub.SetImage(libraryImage.Root().toUtf8().constData());
    CRapiLibraryDevice library(StubOnly());
    ASSERT_TRUE(library.StartSession(kGenerousMs));
    const std::vector<std::string> actual = Survey(library);
    EXPECT_EQ(actual, expected);

    // Both backends share the key and file code above them, so the answers themselves are
    // checked too: a fault there would otherwise show alike on both sides.
    const auto has = [&](const std::string& line) {
        return std::find(actual.begin(), actual.end(), line) != actual.end();
    };
    for (const std::string& line :
         {std::string("open 1"), std::string("Ann"), std::string("default"), std::string("42"),
          std::string("7 (too long for a dword)"), std::string("binary 1 5 5"),
          std::string("small binary 0"), NarrowFromQString(QStringLiteral("\u00e9t\u00e9")),
          std::string("enum 1 a much longer second name"), std::string("enum 0 "),
          std::string("empty 1 0 "), std::string("absent 0 kept 7 0 0 "),
          std::string("read 0 level table\0bytes\0", 25), std::string("read 0 \0", 8),
          std::string("read 2 "), std::string("delete 1 4294967295 0"),
          std::string("handle 1 1 0 0 0 4294967295")})
        EXPECT_TRUE(has(line)) << line;

    const RapiStubCounters counters = stub.Counters();
    EXPECT_EQ(counters.liveBuffers, 0);
    EXPECT_EQ(counters.badFrees, 0);
    EXPECT_EQ(counters.callsWithoutSession, 0) << "nothing reaches the library between sessions";
    EXPECT_EQ(counters.callsOffSessionThread, 0);
}

TEST_F(RapiLibraryDeviceTest, ASessionThatNeverAnswersFailsAfterTheWait) {
    stub.SetSessionMode(RAPISTUB_HOLD);
    TestImage image;
    FillImage(image);
    stub.SetImage(image.Root().toUtf8().constData());
    {
        CRapiLibraryDevice device(StubOnly());
        EXPECT_FALSE(device.StartSession(30));
        EXPECT_EQ(device.CeGetFileAttributes(W("\\Storage").c_str()), INVALID_FILE_ATTRIBUTES);

        RapiSession session;
        CHighscoreCollection collection(25);
        EXPECT_EQ(RunDownload(session, &device, collection, 30), DOWNLOAD_NO_DEVICE);
        EXPECT_FALSE(session.IsConnected());
        EXPECT_TRUE(collection.sources.empty());
        EXPECT_FALSE(device.StartSession(0));
        // Destroyed with the opening still pending.
    }
    // Another device object over the same library waits for the same answer too.
    CRapiLibraryDevice later(StubOnly());
    EXPECT_FALSE(later.StartSession(30));
    ASSERT_TRUE(stub.WaitForInitCalls(1, kGenerousMs));
    stub.Release(1);
    ASSERT_TRUE(stub.WaitUntilIdle(kGenerousMs));
    const RapiStubCounters counters = stub.Counters();
    EXPECT_EQ(counters.initCalls, 1) << "later sessions wait for the pending answer";
    EXPECT_EQ(counters.uninitCalls, 1) << "the late session is closed again";
    EXPECT_EQ(counters.callsWithoutSession, 0);
    EXPECT_EQ(counters.callsOffSessionThread, 0);
}

TEST_F(RapiLibraryDeviceTest, ALateAnswerIsClosedAndTheNextSessionWorks) {
    TestImage image;
    FillImage(image);
    stub.SetImage(image.Root().toUtf8().constData());
    stub.SetSessionMode(RAPISTUB_HOLD);
    CRapiLibraryDevice device(StubOnly());
    EXPECT_FALSE(device.StartSession(20));
    stub.Release(1);
    ASSERT_TRUE(stub.WaitUntilIdle(kGenerousMs)) << "the late session was not closed";
    EXPECT_EQ(stub.Counters().uninitCalls, 1);

    // An answer that arrives while StartSession waits connects.
    std::thread releaser([&] {
        if (stub.WaitForInitCalls(2, kGenerousMs))
            stub.Release(1);
    });
    const bool connected = device.StartSession(kGenerousMs);
    releaser.join();
    ASSERT_TRUE(connected);
    CHighscoreCollection collection(25);
    CHighscoreSource source(&collection, kHighscoreSalt, "x", 25);
    EXPECT_EQ(ReadDeviceFile(&device, source, "\\Storage\\Program Files\\vondrel\\HighScores.sco"),
              READ_OK);
    device.CeRapiUninit();
    const RapiStubCounters counters = stub.Counters();
    EXPECT_EQ(counters.initCalls, 2);
    EXPECT_EQ(counters.uninitCalls, 2);
    EXPECT_EQ(counters.liveSessions, 0);
    EXPECT_EQ(counters.callsOffSessionThread, 0);
}

TEST_F(RapiLibraryDeviceTest, ARefusedSessionIsNotClosed) {
    FakeDevice fake;
    stub.SetSessionMode(RAPISTUB_FAIL);
    CRapiLibraryDevice device(StubOnly());
    EXPECT_FALSE(Connect(device, &fake));
    stub.SetSessionMode(RAPISTUB_ANSWER);
    fake.refuseSessions = true;
    EXPECT_FALSE(device.StartSession(kGenerousMs)) << "no handheld behind the library";
    device.CeRapiUninit();
    const RapiStubCounters counters = stub.Counters();
    EXPECT_EQ(counters.initCalls, 2);
    EXPECT_EQ(counters.uninitCalls, 0);
}

TEST_F(RapiLibraryDeviceTest, EveryCallRunsOnTheThreadThatOpenedTheSession) {
    FakeDevice fake;
    fake.AddFile(QStringLiteral("\\Storage\\a.dat"), "abc");
    fake.SetString(HKEY_LOCAL_MACHINE, QStringLiteral("K"), QStringLiteral("v"),
                   QStringLiteral("t"));
    CRapiLibraryDevice device(StubOnly());
    ASSERT_TRUE(Connect(device, &fake));
    // The backend is used by one thread at a time, but not always the same one.
    for (int round = 0; round < 2; ++round) {
        std::thread user([&] {
            CRemoteRegKey key(&device, HKEY_LOCAL_MACHINE, "K");
            EXPECT_EQ(key.QueryString("v", ""), "t");
            CHighscoreCollection collection(25);
            CHighscoreSource source(&collection, kHighscoreSalt, "x", 25);
            EXPECT_EQ(ReadDeviceFile(&device, source, "\\Storage\\a.dat"), READ_OK);
            EXPECT_EQ(Listing(device, "\\Storage\\*.*", FAF_NAME), "a.dat/32 ");
        });
        user.join();
    }
    device.CeRapiUninit();
    EXPECT_EQ(stub.Counters().callsOffSessionThread, 0);
    EXPECT_EQ(fake.sessionsStarted, 1);
    EXPECT_EQ(fake.sessionsEnded, 1);
}

TEST_F(RapiLibraryDeviceTest, EnumValueAnsweringMoreDataIsAskedAgain) {
    FakeDevice fake;
    fake.SetString(HKEY_LOCAL_MACHINE, QStringLiteral("K"), QStringLiteral("short"),
                   QStringLiteral("1"));
    fake.SetString(HKEY_LOCAL_MACHINE, QStringLiteral("K"), QStringLiteral("a rather long name"),
                   QStringLiteral("2"));
    CRapiLibraryDevice device(StubOnly());
    ASSERT_TRUE(Connect(device, &fake));

    CRemoteRegKey key(&device, HKEY_LOCAL_MACHINE, "K");
    WCHAR small[4] = {};
    DWORD chars = 4;
    stub.SetMoreDataAnswers(1);
    EXPECT_EQ(
        device.CeRegEnumValue(key.Handle(), 1, small, &chars, nullptr, nullptr, nullptr, nullptr),
        ERROR_MORE_DATA);
    EXPECT_EQ(chars, 18u) << "the needed length comes back through the backend";

    // A library that keeps asking for room it already has is given up on.
    stub.SetMoreDataAnswers(100);
    const int before = stub.Counters().enumCalls;
    std::string name;
    EXPECT_FALSE(key.EnumValueName(1, name));
    EXPECT_EQ(name, "");
    EXPECT_EQ(stub.Counters().enumCalls - before, 1);
    stub.SetMoreDataAnswers(0);
    ASSERT_TRUE(key.EnumValueName(0, name));
    EXPECT_EQ(name, "short");
}

TEST_F(RapiLibraryDeviceTest, SearchResultsAreNullWhenNothingIsReturnedAndAlwaysReleased) {
    FakeDevice fake;
    fake.AddFolder(QStringLiteral("\\Empty"));
    fake.AddFile(QStringLiteral("\\Full\\one.dat"), "1");
    fake.AddFile(QStringLiteral("\\Full\\two.dat"), "2");
    CRapiLibraryDevice device(StubOnly());
    ASSERT_TRUE(Connect(device, &fake));

    stub.SetEmptySearchLeavesPointer(1);
    CE_FIND_DATA garbage{};
    CE_FIND_DATA* found = &garbage;
    DWORD count = 7;
    EXPECT_TRUE(device.CeFindAllFiles(W("\\Empty\\*.*").c_str(), FAF_NAME, &count, &found));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(found, nullptr) << "the library left the pointer untouched";
    EXPECT_EQ(device.CeRapiFreeBuffer(found), 0);

    found = &garbage;
    EXPECT_FALSE(device.CeFindAllFiles(W("\\Absent\\*.*").c_str(), FAF_NAME, &count, &found));
    EXPECT_EQ(found, nullptr);

    // A count that no handheld gives, or that the array cannot hold, fails the search before
    // any record is touched; the array goes back to the library.
    for (const DWORD reported : {(1u << 20) + 1, 0xFFFFFFF0u}) {
        stub.SetReportedSearchCount(reported);
        found = &garbage;
        EXPECT_FALSE(device.CeFindAllFiles(W("\\Full\\*.*").c_str(), FAF_NAME, &count, &found));
        EXPECT_EQ(found, nullptr);
        EXPECT_EQ(stub.Counters().liveBuffers, 0);
    }
    stub.SetReportedSearchCount(0);

    // Released by the caller once; a second release and a foreign pointer never reach the
    // library.
    ASSERT_TRUE(device.CeFindAllFiles(W("\\Full\\*.*").c_str(), FAF_NAME, &count, &found));
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(device.CeRapiFreeBuffer(found), 0);
    EXPECT_NE(device.CeRapiFreeBuffer(found), 0);
    EXPECT_NE(device.CeRapiFreeBuffer(&garbage), 0);
    EXPECT_EQ(stub.Counters().badFrees, 0);

    // Forgotten results are released when the session ends.
    ASSERT_TRUE(device.CeFindAllFiles(W("\\Full\\*.*").c_str(), FAF_NAME, &count, &found));
    EXPECT_EQ(stub.Counters().liveBuffers, 1);
    device.CeRapiUninit();
    EXPECT_EQ(stub.Counters().liveBuffers, 0);
    EXPECT_EQ(stub.Counters().badFrees, 0);
}

TEST_F(RapiLibraryDeviceTest, HandlesLeftOpenAreClosedAndDieWithTheSession) {
    FakeDevice fake;
    fake.AddFile(QStringLiteral("\\a.dat"), "abc");
    fake.AddKey(HKEY_LOCAL_MACHINE, QStringLiteral("K"));
    CRapiLibraryDevice device(StubOnly());
    ASSERT_TRUE(Connect(device, &fake));
    HKEY key = 0;
    ASSERT_EQ(device.CeRegOpenKeyEx(HKEY_LOCAL_MACHINE, W("K").c_str(), 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    const HANDLE file = device.CeCreateFile(W("\\a.dat").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(fake.OpenKeyCount(), 1u);
    EXPECT_EQ(fake.OpenFileCount(), 1u);
    device.CeRapiUninit();
    EXPECT_EQ(fake.OpenKeyCount(), 0u);
    EXPECT_EQ(fake.OpenFileCount(), 0u);

    ASSERT_TRUE(device.StartSession(kGenerousMs));
    DWORD values = 0;
    EXPECT_EQ(device.CeRegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       &values, nullptr, nullptr, nullptr, nullptr),
              ERROR_INVALID_HANDLE)
        << "a key of the last session";
    EXPECT_EQ(device.CeGetFileSize(file, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(device.CeRegQueryInfoKey(HKEY_LOCAL_MACHINE, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                                       nullptr),
              ERROR_SUCCESS)
        << "the predefined keys need no opening";
}

TEST_F(RapiLibraryDeviceTest, NamesFillingTheWholeRecordComeThrough) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "the names go through the ANSI code page there, which cannot hold them all";
#endif
    const QString folder = QStringLiteral("\\Storage\\Program Files\\game");
    // 259 UTF-16 units: the longest name a search record holds, with one outside the BMP.
    const QString longest =
        QStringLiteral("\U0001F3B2") + QString(252, u'n') + QStringLiteral("\u00e9.sco");
    ASSERT_EQ(longest.size(), 259);
    FakeDevice fake;
    fake.AddFile(folder + QStringLiteral("\\a.sco"), "first");
    fake.AddFile(folder + u'\\' + longest, "the long one");
    fake.AddFile(folder + QStringLiteral("\\z.sco"), "last");
    CRapiLibraryDevice device(StubOnly());
    ASSERT_TRUE(Connect(device, &fake));

    DWORD count = 0;
    CE_FIND_DATA* found = nullptr;
    ASSERT_TRUE(device.CeFindAllFiles((folder + QStringLiteral("\\*.*")).toStdU16String().c_str(),
                                      FAF_NAME | FAF_ATTRIBUTES, &count, &found));
    ASSERT_EQ(count, 3u);
    std::vector<QString> names;
    for (DWORD i = 0; i < count; ++i)
        names.push_back(QStringFromNarrow(NarrowFromWide(found[i].cFileName, MAX_PATH)));
    device.CeRapiFreeBuffer(found);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<QString>{QStringLiteral("a.sco"), QStringLiteral("z.sco"), longest}));

    CHighscoreCollection collection(25);
    CHighscoreSource source(&collection, kHighscoreSalt, "x", 25);
    ASSERT_EQ(ReadDeviceFile(&device, source, NarrowFromQString(folder + u'\\' + names[2])),
              READ_OK);
    EXPECT_EQ(source.data.View(), std::string_view("the long one\0", 13));
}

// Choosing the backend, the library and the wait.
class DeviceConnectorTest : public RapiLibraryDeviceTest {
protected:
    void TearDown() override {
        qunsetenv("SCORVANE_RAPI_LIBRARY");
        qunsetenv("SCORVANE_SESSION_WAIT_MS");
        QSettings(QStringLiteral("Zelkora"), QStringLiteral("Scorvane"))
            .remove(QStringLiteral("Device"));
        RapiLibraryDeviceTest::TearDown();
    }
    static void SetProfile(const char* key, const QString& value) {
        QSettings(QStringLiteral("Zelkora"), QStringLiteral("Scorvane"))
            .setValue(QStringLiteral("Device/") + QLatin1String(key), value);
    }
};

TEST_F(DeviceConnectorTest, TheLibraryIsLookedForWhereTheUserSaysFirst) {
    const QStringList platform = CRapiLibraryDevice::PlatformLibraryNames();
    EXPECT_EQ(RapiLibraryCandidates(), platform);
    SetProfile("RapiLibrary", QStringLiteral("/opt/profile/librapi.so"));
    EXPECT_EQ(RapiLibraryCandidates(),
              QStringList{QStringLiteral("/opt/profile/librapi.so")} + platform);
    qputenv("SCORVANE_RAPI_LIBRARY", "/opt/env/libsynce.so.0");
    EXPECT_EQ(RapiLibraryCandidates(), (QStringList{QStringLiteral("/opt/env/libsynce.so.0"),
                                                    QStringLiteral("/opt/profile/librapi.so")} +
                                        platform));
}

TEST_F(DeviceConnectorTest, TheSessionWaitCanBeShortened) {
    EXPECT_EQ(SessionWaitOverride(), std::nullopt);
    SetProfile("SessionWaitMs", QStringLiteral("1200"));
    EXPECT_EQ(SessionWaitOverride(), 1200u);
    qputenv("SCORVANE_SESSION_WAIT_MS", " 250 ");
    EXPECT_EQ(SessionWaitOverride(), 250u) << "the environment comes first";
    for (const char* bad : {"abc", "-5", "600001", "99999999999"}) {
        qputenv("SCORVANE_SESSION_WAIT_MS", bad);
        EXPECT_EQ(SessionWaitOverride(), 1200u) << bad;
    }
    qputenv("SCORVANE_SESSION_WAIT_MS", "0");
    EXPECT_EQ(SessionWaitOverride(), 0u);

    const auto device = CreateDevice(QString());
    const auto* library = dynamic_cast<CRapiLibraryDevice*>(device.get());
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(library->EffectiveWait(kSessionWaitMs), 0u);
    EXPECT_EQ(CRapiLibraryDevice(QStringList()).EffectiveWait(kSessionWaitMs), kSessionWaitMs);
}

} // namespace
