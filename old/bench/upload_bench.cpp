// Building and encoding upload bodies: the body of a full table and of a folder of islands,
// and the encoder alone.
#include "publish/ReplyPattern.h"
#include "publish/UploadBody.h"
#include "scores/HighscoreSource.h"
#include "ui/Settings.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

std::string TableText() {
    std::string text = "Zelk Vondrel|1|1\n";
    for (int i = 0; i < 25; ++i)
        text += "Player " + std::to_string(i) + "|" + std::to_string(100000 - i * 1000) +
                "|Level: " + std::to_string(i) + "\n";
    return text + "0123456789abcdef0123456789abcdef";
}

void BM_EncodeBody(benchmark::State& state) {
    std::string bytes(static_cast<std::size_t>(state.range(0)), '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 131 + 7);
    for (auto _ : state)
        benchmark::DoNotOptimize(EncodeBody(bytes));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EncodeBody)->Arg(1 << 10)->Arg(1 << 20);

void BM_TableUploadBody(benchmark::State& state) {
    CHighscoreSource source(nullptr, kHighscoreSalt, "vondrel", 25);
    source.data.Append(TableText());
    source.data.AppendByte(0);
    for (std::uint32_t i = 0; i < 25; ++i)
        source.AddChosen(i);
    CSettings settings;
    settings.community.SetEmail("player@ludora.example");
    for (auto _ : state) {
        ByteBuffer out;
        source.BuildUploadBody(settings, out);
        benchmark::DoNotOptimize(EncodeBody(out.View()));
    }
}
BENCHMARK(BM_TableUploadBody);

void BM_IslandsUploadBody(benchmark::State& state) {
    const std::string island(20000, 'i');
    std::vector<IslandUploadItem> islands(static_cast<std::size_t>(state.range(0)),
                                          IslandUploadItem{island, false});
    std::vector<std::uint32_t> chosen;
    for (std::uint32_t i = 0; i < islands.size(); ++i)
        chosen.push_back(i);
    for (auto _ : state) {
        ByteBuffer out;
        std::vector<bool> picked;
        BuildIslandsUploadBody("me@sky.example", "pw", chosen, islands, picked, out);
        benchmark::DoNotOptimize(EncodeBody(out.View()));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * 20000);
}
BENCHMARK(BM_IslandsUploadBody)->Arg(10)->Arg(100);

void BM_MatchReply(benchmark::State& state) {
    const std::string reply = std::string("Highscores(") + kReplyMarker + "):12\n<html>";
    for (auto _ : state)
        benchmark::DoNotOptimize(ResultForReply(reply.data(), reply.size()));
}
BENCHMARK(BM_MatchReply);

} // namespace

BENCHMARK_MAIN();
