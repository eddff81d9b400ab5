// LZH encoding and decoding speed through the module's real entry points,
// in MB/s of uncompressed data.
//   build/native/bench/lzh_bench
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench_inputs.h"
#include "lzh.h"

namespace {

using benchinputs::Bytes;

const Bytes* gIn = nullptr;
std::size_t gNext = 0;
Bytes gOut;

std::int32_t Read(std::uint8_t* buffer) {
    std::size_t n = gIn->size() - gNext;
    if (n > static_cast<std::size_t>(kLZHBlockSize)) n = kLZHBlockSize;
    std::memcpy(buffer, gIn->data() + gNext, n);
    gNext += n;
    return static_cast<std::int32_t>(n);
}

std::int32_t Write(std::uint8_t* buffer, std::int32_t count) {
    gOut.insert(gOut.end(), buffer, buffer + count);
    return count;
}

Bytes RunOnce(bool encode, const Bytes& input) {
    gIn = &input;
    gNext = 0;
    gOut.clear();
    LZHInit();
    encode ? LZHEncode(Read, Write) : LZHDecode(Read, Write);
    LZHDone();
    return gOut;
}

void Encode(benchmark::State& state, const Bytes& (*input)()) {
    const Bytes& data = input();
    gOut.reserve(data.size() * 9 / 8 + 16);
    for (auto _ : state) benchmark::DoNotOptimize(RunOnce(true, data).size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
    state.counters["ratio"] = static_cast<double>(RunOnce(true, data).size()) / static_cast<double>(data.size());
}

void Decode(benchmark::State& state, const Bytes& (*input)()) {
    const Bytes& data = input();
    const Bytes stream = RunOnce(true, data);
    gOut.reserve(data.size());
    for (auto _ : state) benchmark::DoNotOptimize(RunOnce(false, stream).size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

BENCHMARK_CAPTURE(Encode, text, benchinputs::Text)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Encode, elf, benchinputs::Elf)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Encode, random, benchinputs::Random)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Encode, zeros, benchinputs::Zeros)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, text, benchinputs::Text)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, elf, benchinputs::Elf)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, random, benchinputs::Random)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, zeros, benchinputs::Zeros)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
