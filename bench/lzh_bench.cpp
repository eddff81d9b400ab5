// LZH encoding and decoding speed through the codec objects, in MB/s of
// uncompressed data; encoding on one thread and on the default number.
//   build/native/bench/lzh_bench
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench/bench_inputs.h"
#include "lzh/codec.h"

namespace {

using benchinputs::Bytes;

struct Feed final : lzh::Source {
    explicit Feed(const Bytes& input) : data(input) {}
    std::int32_t Read(std::uint8_t* buffer) override {
        const std::size_t n = std::min<std::size_t>(data.size() - next, lzh::kBlockSize);
        std::memcpy(buffer, data.data() + next, n);
        next += n;
        return static_cast<std::int32_t>(n);
    }
    const Bytes& data;
    std::size_t next = 0;
};

struct Collect final : lzh::Sink {
    void Write(const std::uint8_t* bytes, std::int32_t count) override { out.insert(out.end(), bytes, bytes + count); }
    Bytes out;
};

// One job as a caller runs it: prepare, run, release.
template <class Codec, class Run>
std::size_t Job(Codec& codec, const Bytes& input, Run run) {
    if (!codec.Prepare()) throw std::bad_alloc();
    Feed in(input);
    Collect out;
    out.out.reserve(input.size() * 9 / 8 + 16);
    run(codec, in, out);
    codec.Release();
    return out.out.size();
}

void Encode(benchmark::State& state, const Bytes& (*input)()) {
    const Bytes& data = input();
    lzh::Encoder encoder(static_cast<unsigned>(state.range(0)));
    const auto encode = [](lzh::Encoder& e, Feed& in, Collect& out) { e.Encode(in, out); };
    std::size_t size = 0;
    for (auto _ : state) benchmark::DoNotOptimize(size = Job(encoder, data, encode));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
    state.counters["ratio"] = static_cast<double>(size) / static_cast<double>(data.size());
}

void Decode(benchmark::State& state, const Bytes& (*input)()) {
    const Bytes& data = input();
    lzh::Encoder encoder;
    Feed in(data);
    Collect stream;
    if (!encoder.Prepare()) throw std::bad_alloc();
    encoder.Encode(in, stream);
    lzh::Decoder decoder;
    const auto decode = [](lzh::Decoder& d, Feed& from, Collect& out) { d.Decode(from, out); };
    for (auto _ : state) benchmark::DoNotOptimize(Job(decoder, stream.out, decode));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

void Threads(benchmark::internal::Benchmark* b) {
    b->ArgName("threads")->Arg(1);
    if (lzh::DefaultThreads() > 1) b->Arg(lzh::DefaultThreads());
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_CAPTURE(Encode, text, benchinputs::Text)->Apply(Threads);
BENCHMARK_CAPTURE(Encode, elf, benchinputs::Elf)->Apply(Threads);
BENCHMARK_CAPTURE(Encode, random, benchinputs::Random)->Apply(Threads);
BENCHMARK_CAPTURE(Encode, zeros, benchinputs::Zeros)->Apply(Threads);
BENCHMARK_CAPTURE(Decode, text, benchinputs::Text)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, elf, benchinputs::Elf)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, random, benchinputs::Random)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Decode, zeros, benchinputs::Zeros)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
