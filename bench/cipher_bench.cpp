// The buffer cipher alone, in MB/s: EncipherBuffer and DecipherBuffer over
// 32768-byte blocks, as the file operations call them, and the two halves of
// deciphering on their own.
//   build/native/bench/cipher_bench
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "cryptlib/cipher_kernels.h"
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

// The two halves of deciphering that threads share, over a slot of eight
// blocks: undoing the exchanges, and the key stream.
void DecipherHalves(benchmark::State& state, bool stream) {
    std::vector<std::uint8_t> slot(8 * TCryptLib::kBlockSize, 0x5A);
    cipher::KeyState key{1, 2, 3, static_cast<std::uint32_t>(tessavel::kMultKey),
                         static_cast<std::uint32_t>(tessavel::kAddKey)};
    for (auto _ : state) {
        if (stream)
            cipher::StreamRun(key, slot.data(), slot.size());
        else
            cipher::UndoRunExchanges(key.seed, slot.data(), slot.size());
        benchmark::DoNotOptimize(slot.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * slot.size()));
}

BENCHMARK(Encipher);
BENCHMARK(Decipher);
BENCHMARK_CAPTURE(DecipherHalves, UndoExchanges, false);
BENCHMARK_CAPTURE(DecipherHalves, KeyStream, true);

}  // namespace

BENCHMARK_MAIN();
