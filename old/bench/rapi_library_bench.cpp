// What a call to the handheld costs through the run-time loaded remote API library (the
// stand-in library of the tests, serving a device image) compared with the simulated handheld
// over the same image. The difference is the backend's own share: the handle mapping and the
// hand-over to the thread that owns the library's session.
#include "device/RapiLibraryDevice.h"
#include "device/SimulatedDevice.h"

#include "tests/rapistub/RapiStub.h"
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

using namespace rapi;

namespace {

struct Image {
    Image() {
        QDir(dir.path()).mkpath(QStringLiteral("files/Storage/Program Files/game"));
        for (int i = 0; i < 20; ++i) {
            QFile file(dir.path() +
                       QStringLiteral("/files/Storage/Program Files/game/f%1.dat").arg(i));
            if (file.open(QIODevice::WriteOnly))
                file.write(QByteArray(512, 'x'));
        }
        QFile ini(dir.path() + QStringLiteral("/device.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[Link]\nPacing=0\n");
    }
    QTemporaryDir dir;
};

std::unique_ptr<IRapiDevice> Open(bool throughLibrary, const Image& image) {
#ifdef SCORVANE_RAPISTUB_PATH
    if (throughLibrary) {
        // The stand-in reads the folder once, when first used: one image serves every run.
        qputenv("SCORVANE_RAPISTUB_IMAGE", image.dir.path().toLocal8Bit());
        auto device = std::make_unique<CRapiLibraryDevice>(
            QStringList{QStringLiteral(SCORVANE_RAPISTUB_PATH)});
        if (!device->StartSession(10000))
            return nullptr;
        return device;
    }
#endif
    if (throughLibrary)
        return nullptr;
    auto device = std::make_unique<CSimulatedDevice>(image.dir.path());
    if (!device->StartSession(0))
        return nullptr;
    return device;
}

const Image& TheImage() {
    static const Image image;
    return image;
}

// The device a benchmark run measures: argument 1 goes through the library, 0 does not.
std::unique_ptr<IRapiDevice> OpenFor(benchmark::State& state) {
    auto device = Open(state.range(0) != 0, TheImage());
    if (!device)
        state.SkipWithError("no stand-in library in this build");
    return device;
}

void BM_FileAttributes(benchmark::State& state) {
    const auto device = OpenFor(state);
    if (!device)
        return;
    const std::u16string path = u"\\Storage\\Program Files\\game\\f7.dat";
    for (auto _ : state)
        benchmark::DoNotOptimize(device->CeGetFileAttributes(path.c_str()));
    device->CeRapiUninit();
}
BENCHMARK(BM_FileAttributes)->ArgName("library")->Arg(0)->Arg(1);

void BM_OpenReadClose(benchmark::State& state) {
    const auto device = OpenFor(state);
    if (!device)
        return;
    const std::u16string path = u"\\Storage\\Program Files\\game\\f7.dat";
    char buffer[512];
    for (auto _ : state) {
        const HANDLE file = device->CeCreateFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
        DWORD got = 0;
        device->CeReadFile(file, buffer, device->CeGetFileSize(file, nullptr), &got);
        device->CeCloseHandle(file);
        benchmark::DoNotOptimize(got);
    }
    device->CeRapiUninit();
}
BENCHMARK(BM_OpenReadClose)->ArgName("library")->Arg(0)->Arg(1);

void BM_SearchFolder(benchmark::State& state) {
    const auto device = OpenFor(state);
    if (!device)
        return;
    const std::u16string pattern = u"\\Storage\\Program Files\\game\\*.*";
    for (auto _ : state) {
        DWORD count = 0;
        CE_FIND_DATA* found = nullptr;
        device->CeFindAllFiles(pattern.c_str(), FAF_NAME | FAF_ATTRIBUTES, &count, &found);
        device->CeRapiFreeBuffer(found);
        benchmark::DoNotOptimize(count);
    }
    device->CeRapiUninit();
}
BENCHMARK(BM_SearchFolder)->ArgName("library")->Arg(0)->Arg(1);

} // namespace

BENCHMARK_MAIN();
