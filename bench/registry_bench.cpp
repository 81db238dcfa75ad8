// Reading a device image's registry export of a million keys, each with a value: the time, and
// the memory the parse takes at its peak, besides the export itself, for each byte of it.
#include "handheld/RegistryFile.h"

#include <QByteArray>
#include <benchmark/benchmark.h>
#include <cstdio>

#ifdef __linux__
#include <QFile>
#include <sys/resource.h>
#endif

namespace {

constexpr int kKeys = 1000000;

QByteArray makeExport() {
    QByteArray text("Windows Registry Editor Version 5.00\r\n\r\n");
    text.reserve(45 * kKeys);
    for (int i = 0; i < kKeys; ++i)
        text += QByteArray("[HKEY_LOCAL_MACHINE\\S\\V") + QByteArray::number(i / 100) + "\\K" +
                QByteArray::number(i % 100) +
                "]\r\n\"n\"=dword:" + QByteArray::number(i, 16).rightJustified(8, '0') + "\r\n";
    return text;
}

// Resident memory now, and at its peak so far, in bytes.
qint64 residentBytes() {
#ifdef __linux__
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (statm.open(QIODevice::ReadOnly))
        return statm.readAll().split(' ').value(1).toLongLong() * 4096;
#endif
    return 0;
}
qint64 peakResidentBytes() {
#ifdef __linux__
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0)
        return qint64(usage.ru_maxrss) * 1024;
#endif
    return 0;
}

const QByteArray& exportText() {
    static const QByteArray text = makeExport();
    return text;
}

void BM_ReadRegistryFile(benchmark::State& state) {
    for (auto _ : state) {
        RegistryTree tree;
        readRegistryFile(exportText(), tree);
        benchmark::DoNotOptimize(tree.keyCount());
    }
    state.SetBytesProcessed(state.iterations() * exportText().size());
}
BENCHMARK(BM_ReadRegistryFile)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const QByteArray& text = exportText();
    const qint64 before = residentBytes();
    {
        RegistryTree tree;
        readRegistryFile(text, tree);
        std::printf("Export: %.1f MB, %u keys\n", text.size() / 1e6, tree.keyCount());
    }
    const qint64 peak = peakResidentBytes() - before;
    if (before > 0 && peak > 0)
        std::printf("Peak memory of the parse besides the export: %.1f MB, %.1f bytes per byte "
                    "of the export\n",
                    peak / 1e6, double(peak) / text.size());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
