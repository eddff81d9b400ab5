#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "lzh/lzh.h"
#include "tests/lzh/lzh_memory.h"

namespace {

using lzhtest::Bytes;

// The callbacks take no context, so the fixture's state is module-wide.
struct Feed {
    Bytes input;
    std::size_t next = 0;
    std::size_t piece = kLZHBlockSize;  // largest count a read hands over
    std::vector<std::int32_t> readResults;
    std::vector<std::int32_t> writeCounts;
    Bytes output;
    int throwOnWrite = -1;  // index of the write call that throws
    bool scribble = false;  // a write overwrites what it was handed
};
Feed feed;

std::int32_t Read(std::uint8_t* buffer) {
    std::size_t n = feed.input.size() - feed.next;
    if (n > feed.piece) n = feed.piece;
    if (n != 0) std::memcpy(buffer, feed.input.data() + feed.next, n);
    feed.next += n;
    feed.readResults.push_back(static_cast<std::int32_t>(n));
    return static_cast<std::int32_t>(n);
}

std::int32_t Write(std::uint8_t* buffer, std::int32_t count) {
    if (static_cast<int>(feed.writeCounts.size()) == feed.throwOnWrite) {
        feed.writeCounts.push_back(count);
        throw std::runtime_error("disk full");
    }
    feed.writeCounts.push_back(count);
    feed.output.insert(feed.output.end(), buffer, buffer + count);
    if (feed.scribble) std::memset(buffer, 0xA5, static_cast<std::size_t>(count));
    return count;
}

int allocations = 0;
int releases = 0;
int failAllocation = 0;  // 1-based index of the allocation that fails; 0 none

void* CountingAllocate(std::size_t size) {
    ++allocations;
    if (allocations == failAllocation) return nullptr;
    return ::operator new(size);
}
void CountingRelease(void* block) {
    ++releases;
    ::operator delete(block);
}

class LzhModule : public ::testing::Test {
protected:
    void SetUp() override {
        feed = Feed{};
        allocations = releases = failAllocation = 0;
        lzh::testing::SetAllocator(CountingAllocate, CountingRelease);
    }
    void TearDown() override {
        LZHDone();
        lzh::testing::SetAllocator(nullptr, nullptr);
    }
    static Bytes Run(bool encode, const Bytes& input) {
        feed.input = input;
        feed.next = 0;
        feed.output.clear();
        if (encode)
            LZHEncode(Read, Write);
        else
            LZHDecode(Read, Write);
        return feed.output;
    }
};

TEST_F(LzhModule, InitTakesTheThreeBlocksOnceAndDoneReleasesThem) {
    ASSERT_TRUE(LZHInit());
    ASSERT_TRUE(LZHInit());
    EXPECT_EQ(allocations, 3);
    EXPECT_TRUE(lzh::testing::IsPrepared());
    LZHDone();
    EXPECT_EQ(releases, 3);
    EXPECT_FALSE(lzh::testing::IsPrepared());
    LZHDone();
    EXPECT_EQ(releases, 3);
}

TEST_F(LzhModule, InitFailureHoldsNothing) {
    for (int failing = 1; failing <= 3; ++failing) {
        SCOPED_TRACE(failing);
        allocations = releases = 0;
        failAllocation = failing;
        EXPECT_FALSE(LZHInit());
        EXPECT_FALSE(lzh::testing::IsPrepared());
        EXPECT_EQ(releases, failing - 1);
        Run(true, lzhtest::Hex({1, 2, 3}));
        EXPECT_TRUE(feed.readResults.empty());
    }
}

TEST_F(LzhModule, RunsOutsideInitAndDoneCallNoCallback) {
    Run(true, lzhtest::Hex({1, 2, 3}));
    Run(false, lzhtest::Hex({1, 2, 3}));
    ASSERT_TRUE(LZHInit());
    LZHDone();
    Run(true, lzhtest::Hex({1, 2, 3}));
    EXPECT_TRUE(feed.readResults.empty());
    EXPECT_TRUE(feed.writeCounts.empty());
}

TEST_F(LzhModule, EmptyInputReadsOnceAndWritesOnceWithZero) {
    ASSERT_TRUE(LZHInit());
    for (bool encode : {true, false}) {
        feed = Feed{};
        EXPECT_TRUE(Run(encode, {}).empty());
        EXPECT_EQ(feed.readResults, std::vector<std::int32_t>{0});
        EXPECT_EQ(feed.writeCounts, std::vector<std::int32_t>{0});
    }
}

TEST_F(LzhModule, ExactlyOneFullBlockOfOutputIsHandedOnThenClosedWithZero) {
    ASSERT_TRUE(LZHInit());
    const Bytes original = testdata::Text(kLZHBlockSize, 11);
    const Bytes stream = Run(true, original);
    feed = Feed{};
    EXPECT_EQ(Run(false, stream), original);
    EXPECT_EQ(feed.writeCounts, (std::vector<std::int32_t>{kLZHBlockSize, 0}));
}

TEST_F(LzhModule, ShortReadsAreOnlyPiecesOfTheInput) {
    ASSERT_TRUE(LZHInit());
    const Bytes original = testdata::Binary(600000, 12);
    const Bytes whole = Run(true, original);
    EXPECT_EQ(whole, lzhtest::Compress(original));
    for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{100000}}) {
        SCOPED_TRACE(piece);
        feed = Feed{};
        feed.piece = piece;
        EXPECT_EQ(Run(true, original), whole);
        feed = Feed{};
        feed.piece = piece;
        EXPECT_EQ(Run(false, whole), original);
    }
    // What a write is handed is the callback's to change; the blocks after
    // it still expand from what was written.
    feed = Feed{};
    feed.scribble = true;
    EXPECT_EQ(Run(false, whole), original);
}

TEST_F(LzhModule, CompressionAsksAgainAfterTheEndOncePerItemAndAtMost17Times) {
    ASSERT_TRUE(LZHInit());
    for (std::size_t n : {1, 3, 18, 19, 40, 5000}) {
        SCOPED_TRACE(n);
        feed = Feed{};
        Run(true, testdata::RandomBytes(n, n));
        std::size_t firstEnd = 0;
        while (feed.readResults[firstEnd] != 0) ++firstEnd;
        const std::size_t again = feed.readResults.size() - firstEnd - 1;
        for (std::size_t i = firstEnd; i < feed.readResults.size(); ++i) EXPECT_EQ(feed.readResults[i], 0);
        EXPECT_GE(again, 1u);
        EXPECT_LE(again, 17u);
    }
}

TEST_F(LzhModule, ACallbackErrorPassesThroughAndTheNextJobStartsFresh) {
    ASSERT_TRUE(LZHInit());
    const Bytes original = testdata::RandomBytes(3 * kLZHBlockSize, 13);
    feed.throwOnWrite = 1;
    feed.input = original;
    try {
        LZHEncode(Read, Write);
        FAIL() << "the write callback's error was swallowed";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "disk full");
    }
    EXPECT_EQ(feed.writeCounts, (std::vector<std::int32_t>{kLZHBlockSize, kLZHBlockSize}));
    EXPECT_TRUE(lzh::testing::IsPrepared());

    // The next job: its init takes nothing, and nothing of the broken run shows.
    EXPECT_TRUE(LZHInit());
    EXPECT_EQ(allocations, 3);
    feed = Feed{};
    const Bytes small = testdata::Text(1000, 14);
    EXPECT_EQ(Run(true, small), lzhtest::Compress(small));
    feed = Feed{};
    EXPECT_EQ(Run(false, lzhtest::Compress(small)), small);
    LZHDone();
    EXPECT_EQ(releases, 3);
}

std::int32_t ReadBogus(std::uint8_t*) { return -5; }
std::int32_t ReadTooMuch(std::uint8_t* buffer) {
    static bool once = false;
    once = !once;
    if (!once) return 0;
    std::memset(buffer, 'x', kLZHBlockSize);
    return kLZHBlockSize * 4;
}

TEST_F(LzhModule, ImpossibleReadCountsStayInsideTheBuffer) {
    ASSERT_TRUE(LZHInit());
    LZHEncode(ReadBogus, Write);
    EXPECT_EQ(feed.writeCounts, std::vector<std::int32_t>{0});
    feed = Feed{};
    LZHDecode(ReadTooMuch, Write);
    EXPECT_FALSE(feed.output.empty());
}

}  // namespace
