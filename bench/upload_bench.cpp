// Building and encoding upload bodies: the body of a full table and of a folder of islands,
// the encoder alone, and reading a reply.
#include "formats/Reply.h"
#include "formats/UploadData.h"

#include <benchmark/benchmark.h>

namespace {

QByteArray tableText() {
    QByteArray text = "1|1|Zelk Vondrel\n";
    for (int i = 0; i < 25; ++i)
        text += "Player " + QByteArray::number(i) + "|" + QByteArray::number(100000 - i * 1000) +
                "|Level: " + QByteArray::number(i) + "\n";
    return text + "0123456789abcdef0123456789abcdef";
}

void BM_EncodeBody(benchmark::State& state) {
    QByteArray bytes(state.range(0), '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 131 + 7);
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeBody(bytes));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EncodeBody)->Arg(1 << 10)->Arg(1 << 20);

void BM_TableUploadBody(benchmark::State& state) {
    const QByteArray text = tableText();
    QList<quint32> chosen;
    for (quint32 i = 0; i < 25; ++i)
        chosen.append(i);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            encodeBody(tableUploadData(text, chosen, "player@ludora.example")));
}
BENCHMARK(BM_TableUploadBody);

void BM_IslandsUploadBody(benchmark::State& state) {
    const QList<QByteArray> islands(state.range(0), QByteArray(20000, 'i'));
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeBody(islandsUploadData("me@sky.example", "pw", islands)));
    state.SetBytesProcessed(state.iterations() * state.range(0) * 20000);
}
BENCHMARK(BM_IslandsUploadBody)->Arg(10)->Arg(100);

void BM_MatchReply(benchmark::State& state) {
    const QByteArray reply = QByteArray("Highscores(") + kReplyMarker + "):12\n<html>";
    for (auto _ : state)
        benchmark::DoNotOptimize(matchReply(reply));
}
BENCHMARK(BM_MatchReply);

} // namespace

BENCHMARK_MAIN();
