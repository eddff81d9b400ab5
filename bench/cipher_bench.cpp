// The buffer cipher alone, in MB/s: EncipherBuffer and DecipherBuffer over
// 32768-byte blocks, as the file operations call them.
//   build/native/bench/cipher_bench
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "cryptlib/cryptlib.h"
#include "cryptlib/program_keys.h"

namespace {

// The component with the desktop program's keys, its buffers taken and its
// key prepared, as an operation has it between blocks.
struct KeyedCipher {
    TCryptLib crypto;
    KeyedCipher() {
        crypto.SetAddKey(tessavel::kAddKey);
        crypto.SetMultKey(tessavel::kMultKey);
        crypto.AllocateBuffers();
        crypto.PrepareKey();
    }
    ~KeyedCipher() { crypto.ReleaseBuffers(); }
};

void CountBlocks(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * TCryptLib::kBlockSize);
}

void Encipher(benchmark::State& state) {
    KeyedCipher cipher;
    std::vector<std::uint8_t> block(TCryptLib::kBlockSize, 0x5A);
    for (auto _ : state) {
        cipher.crypto.EncipherBuffer(block.data(), TCryptLib::kBlockSize);
        benchmark::DoNotOptimize(block.data());
    }
    CountBlocks(state);
}

void Decipher(benchmark::State& state) {
    KeyedCipher cipher;
    for (auto _ : state) {
        cipher.crypto.DecipherBuffer(TCryptLib::kBlockSize);
        benchmark::DoNotOptimize(cipher.crypto.DataBuffer());
    }
    CountBlocks(state);
}

BENCHMARK(Encipher);
BENCHMARK(Decipher);

}  // namespace

BENCHMARK_MAIN();
