// The buffer cipher alone, in MB/s: EncipherBuffer and DecipherBuffer over
// 32768-byte blocks, as the file operations call them.
//   build/native/bench/cipher_bench
#include <vector>

#include <benchmark/benchmark.h>

#include "cryptlib/cryptlib.h"
#include "cryptlib/program_keys.h"

namespace {

void Encipher(benchmark::State& state) {
    TCryptLib crypto;
    crypto.SetAddKey(tessavel::kAddKey);
    crypto.SetMultKey(tessavel::kMultKey);
    crypto.AllocateBuffers();
    crypto.PrepareKey();
    std::vector<std::uint8_t> block(TCryptLib::kBlockSize, 0x5A);
    for (auto _ : state) {
        crypto.EncipherBuffer(block.data(), TCryptLib::kBlockSize);
        benchmark::DoNotOptimize(block.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * TCryptLib::kBlockSize);
    crypto.ReleaseBuffers();
}

void Decipher(benchmark::State& state) {
    TCryptLib crypto;
    crypto.SetAddKey(tessavel::kAddKey);
    crypto.SetMultKey(tessavel::kMultKey);
    crypto.AllocateBuffers();
    crypto.PrepareKey();
    for (auto _ : state) {
        crypto.DecipherBuffer(TCryptLib::kBlockSize);
        benchmark::DoNotOptimize(crypto.DataBuffer());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * TCryptLib::kBlockSize);
    crypto.ReleaseBuffers();
}

BENCHMARK(Encipher);
BENCHMARK(Decipher);

}  // namespace

BENCHMARK_MAIN();
