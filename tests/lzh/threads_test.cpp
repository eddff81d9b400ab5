// The encoder on several threads gives the stream of one thread, wherever
// blocks and reads end; a job that ends in an exception leaves no thread.
#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <stdexcept>
#include <thread>

#include "tests/lzh/lzh_memory.h"
#include "tests/lzh/reference_lzss.h"

namespace {

using lzhtest::Bytes;
using lzhtest::Encode;
using testdata::FromString;

constexpr unsigned kThreadCounts[] = {1, 2, 3, 8};

// Ascending big-endian 32-bit numbers: long shared prefixes, deep trees.
Bytes SortedKeys(std::size_t n) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>((i / 4 * 37) >> (8 * (3 - i % 4)));
    return out;
}

// Runs of a few byte values, long enough for many whole items of 18.
Bytes Runs(std::size_t n, std::uint64_t seed) {
    testdata::Random rng(seed);
    Bytes out;
    while (out.size() < n) out.insert(out.end(), 1 + rng.Below(3000), static_cast<std::uint8_t>(rng.Below(3)));
    out.resize(n);
    return out;
}

void ExpectEveryThreadCountGives(const Bytes& input, const Bytes& expected) {
    for (unsigned threads : kThreadCounts) {
        SCOPED_TRACE(threads);
        ASSERT_EQ(Encode(input, threads), expected);
    }
}

TEST(EncoderThreads, WorkedExamplesAndSortedKeys) {
    const Bytes inputs[] = {{},
                            FromString("abc"),
                            FromString("abcdefgh"),
                            FromString("abcabcabc"),
                            Bytes(24, 0),
                            Bytes(30, 'a'),
                            Bytes(19, 'a'),
                            lzhtest::Numbers(),
                            SortedKeys(100000)};
    lzh_reference::Encoder reference;
    for (const Bytes& input : inputs) {
        SCOPED_TRACE(input.size());
        ExpectEveryThreadCountGives(input, reference.Compress(input));
    }
}

TEST(EncoderThreads, InputsEndingAroundBlockBoundaries) {
    constexpr std::size_t kBlock = lzh::kBlockSize;
    const std::pair<const char*, Bytes> inputs[] = {
        {"text", testdata::Text(kBlock - 1, 1)},      {"binary", testdata::Binary(kBlock, 2)},
        {"random", testdata::RandomBytes(kBlock + 1, 3)}, {"zeros", Bytes(kBlock + 1, 0)},
        {"sorted", SortedKeys(2 * kBlock - 1)},        {"text", testdata::Text(2 * kBlock, 4)},
        {"binary", testdata::Binary(2 * kBlock + 1, 5)}, {"runs", Runs(2 * kBlock + 1, 6)},
    };
    lzh_reference::Encoder reference;
    for (const auto& [name, input] : inputs) {
        SCOPED_TRACE(testing::Message() << name << " " << input.size());
        ExpectEveryThreadCountGives(input, reference.Compress(input));
    }
}

// Small blocks put block ends, and the positions that wait for the next
// block, all through a small input; odd reads put read ends everywhere.
TEST(EncoderThreads, SmallBlocksAndOddReads) {
    const Bytes inputs[] = {testdata::Text(20000, 7), testdata::Binary(20000, 8), Runs(30000, 9),
                            lzhtest::Numbers()};
    lzh_reference::Encoder reference;
    for (const Bytes& input : inputs) {
        const Bytes expected = reference.Compress(input);
        for (std::uint32_t block : {64u, 100u, 4099u}) {
            for (unsigned threads : {1u, 2u, 3u}) {
                SCOPED_TRACE(testing::Message() << input.size() << " block " << block << " threads " << threads);
                ASSERT_EQ(Encode(input, threads, block, 7), expected);
                ASSERT_EQ(Encode(input, threads, block), expected);
            }
        }
    }
}

struct FailingSource final : lzh::Source {
    FailingSource(const Bytes& input, int failing) : data(input), failAt(failing) {}
    std::int32_t Read(std::uint8_t* buffer) override {
        if (reads++ == failAt) throw std::runtime_error("cancelled");
        const std::size_t n = std::min<std::size_t>(lzh::kBlockSize, data.size() - next);
        std::memcpy(buffer, data.data() + next, n);
        next += n;
        return static_cast<std::int32_t>(n);
    }
    const Bytes& data;
    int failAt;
    int reads = 0;
    std::size_t next = 0;
};

struct FailingSink final : lzh::Sink {
    void Write(const std::uint8_t*, std::int32_t) override {
        if (writes++ == 1) throw std::runtime_error("disk full");
    }
    int writes = 0;
};

// After a failed job: the encoder's next one gives the one-thread stream and
// leaves no thread.
void ExpectAnExactJob(lzh::Encoder& encoder, const Bytes& input) {
    lzhtest::MemorySource in(input);
    lzhtest::MemorySink out;
    encoder.Encode(in, out);
    EXPECT_EQ(out.data, Encode(input, 1));
    EXPECT_EQ(lzh::testing::RunningWorkers(), 0u);
}

// The third read comes while the workers search the second block.
TEST(EncoderThreads, ACallbackErrorEndsTheJobOnEveryThreadAndTheNextJobIsExact) {
    const Bytes input = testdata::RandomBytes(5 * lzh::kBlockSize, 10);
    lzh::Encoder encoder(3);
    ASSERT_TRUE(encoder.Prepare());
    for (int failing : {0, 2, 4}) {
        SCOPED_TRACE(failing);
        FailingSource in(input, failing);
        lzhtest::MemorySink out;
        try {
            encoder.Encode(in, out);
            FAIL() << "the read error was swallowed";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "cancelled");
        }
        EXPECT_EQ(lzh::testing::RunningWorkers(), 0u);
    }
    lzhtest::MemorySource in(input);
    FailingSink failingOut;
    EXPECT_THROW(encoder.Encode(in, failingOut), std::runtime_error);
    EXPECT_EQ(lzh::testing::RunningWorkers(), 0u);
    ExpectAnExactJob(encoder, input);
}

// The hooks of one test, taken away at its end whatever happens.
struct WorkerHooks {
    WorkerHooks(lzh::testing::RefuseThreadFn refuse, lzh::testing::BeforeRoundFn beforeRound) {
        lzh::testing::SetWorkerHooks(refuse, beforeRound);
    }
    ~WorkerHooks() { lzh::testing::SetWorkerHooks(nullptr, nullptr); }
    WorkerHooks(const WorkerHooks&) = delete;
    WorkerHooks& operator=(const WorkerHooks&) = delete;
};

std::atomic<unsigned> threadsGranted{0};
std::atomic<unsigned> refusals{0};
std::atomic<unsigned> failingWorker{0};

Bytes MixedBlocks() {
    Bytes input = Runs(40000, 11);
    const Bytes noise = testdata::RandomBytes(30000, 12);
    input.insert(input.end(), noise.begin(), noise.end());
    return input;
}

// Down to no worker thread at all, when only the calling thread is left.
TEST(EncoderThreads, ThreadsTheSystemRefusesLeaveTheJobToThoseStarted) {
    const Bytes input = MixedBlocks();
    const Bytes expected = Encode(input, 1);
    const WorkerHooks hooks(
        [](unsigned index) {
            if (index < threadsGranted) return false;
            ++refusals;
            return true;
        },
        nullptr);
    for (unsigned granted : {0u, 1u, 2u}) {
        SCOPED_TRACE(granted);
        threadsGranted = granted;
        refusals = 0;
        EXPECT_EQ(Encode(input, 3, 4096), expected);
        EXPECT_EQ(refusals, 1u);  // the first refusal ends the starting
        EXPECT_EQ(lzh::testing::RunningWorkers(), 0u);
    }
}

// A worker running out of memory, say, while others are busy.
TEST(EncoderThreads, AWorkerThatFailsEndsTheJobOnEveryThreadAndTheNextJobIsExact) {
    const Bytes input = MixedBlocks();
    lzh::Encoder encoder(3, 4096);
    ASSERT_TRUE(encoder.Prepare());
    {
        const WorkerHooks hooks(nullptr, [](unsigned worker, std::uint64_t round) {
            if (worker == failingWorker && round == 2) throw std::bad_alloc();
        });
        for (unsigned worker : {0u, 2u}) {
            SCOPED_TRACE(worker);
            failingWorker = worker;
            lzhtest::MemorySource in(input);
            lzhtest::MemorySink out;
            EXPECT_THROW(encoder.Encode(in, out), std::bad_alloc);
            EXPECT_EQ(lzh::testing::RunningWorkers(), 0u);
        }
    }
    ExpectAnExactJob(encoder, input);
}

// Reads and writes that note the thread they run on.
struct ThreadNoting final : lzh::Source, lzh::Sink {
    explicit ThreadNoting(const Bytes& input) : in(input) {}
    std::int32_t Read(std::uint8_t* buffer) override {
        other |= std::this_thread::get_id() != caller;
        return in.Read(buffer);
    }
    void Write(const std::uint8_t* bytes, std::int32_t count) override {
        other |= std::this_thread::get_id() != caller;
        out.Write(bytes, count);
    }
    lzhtest::MemorySource in;
    lzhtest::MemorySink out;
    std::thread::id caller = std::this_thread::get_id();
    bool other = false;
};

TEST(EncoderThreads, CallbacksRunOnTheCallingThreadOnly) {
    const Bytes input = testdata::Text(3 * lzh::kBlockSize + 5, 11);
    lzh::Encoder encoder(3);
    ASSERT_TRUE(encoder.Prepare());
    ThreadNoting io(input);
    encoder.Encode(io, io);
    EXPECT_FALSE(io.other);
    EXPECT_EQ(io.out.data, Encode(input, 1));
}

int allocations = 0;
int releases = 0;
int failAllocation = 0;
void* CountingAllocate(std::size_t size) {
    return ++allocations == failAllocation ? nullptr : ::operator new(size, std::nothrow);
}
void CountingRelease(void* block) {
    ++releases;
    ::operator delete(block);
}

TEST(EncoderMemory, PrepareTakesThreeBlocksOrNothing) {
    lzh::testing::SetAllocator(CountingAllocate, CountingRelease);
    for (int failing = 1; failing <= 3; ++failing) {
        SCOPED_TRACE(failing);
        allocations = releases = 0;
        failAllocation = failing;
        lzh::Encoder encoder(4);
        EXPECT_FALSE(encoder.Prepare());
        EXPECT_FALSE(encoder.Prepared());
        EXPECT_EQ(releases, failing - 1);
        const Bytes abc = FromString("abc");
        lzhtest::MemorySource in(abc);
        lzhtest::MemorySink out;
        EXPECT_THROW(encoder.Encode(in, out), std::logic_error);
        EXPECT_TRUE(in.counts.empty());
    }
    lzh::testing::SetAllocator(nullptr, nullptr);
    // Memory grows with the workers but stays bounded on any machine.
    EXPECT_LT(lzh::Encoder::MemoryFor(2), lzh::Encoder::MemoryFor(3));
    EXPECT_LT(lzh::Encoder::MemoryFor(lzh::kMaxThreads), std::size_t{12} << 20);
}

}  // namespace
