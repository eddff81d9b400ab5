#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "tests/lzh/lzh_memory.h"
#include "tests/lzh/reference_lzss.h"
#include "lzh/lzss.h"

namespace {

using lzhtest::Bytes;
using lzhtest::Encode;
using lzhtest::Expand;
using lzhtest::Hex;
using testdata::FromString;

struct Vector {
    const char* name;
    Bytes input;
    Bytes stream;
};

TEST(LzssStreamFormat, WorkedStreamsCompressAndExpandExactly) {
    const Vector vectors[] = {
        {"empty", {}, {}},
        {"abc", FromString("abc"), Hex({0x07, 0x61, 0x62, 0x63})},
        {"eight letters end with an empty group", FromString("abcdefgh"),
         Hex({0xFF, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x00})},
        {"nine letters", FromString("abcdefghi"),
         Hex({0xFF, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x01, 0x69})},
        {"self-overlapping match", FromString("abcabcabc"), Hex({0x07, 0x61, 0x62, 0x63, 0xEE, 0xF3})},
        {"24 zeros match the initial window", Bytes(24, 0), Hex({0x00, 0xDC, 0xFF, 0xFF, 0xF3})},
        {"thirty a", Bytes(30, 'a'), Hex({0x01, 0x61, 0xEE, 0xFF, 0xFA, 0xF8})},
        {"nineteen a end on a full match", Bytes(19, 'a'), Hex({0x01, 0x61, 0xEE, 0xFF})},
    };
    for (const Vector& v : vectors) {
        SCOPED_TRACE(v.name);
        EXPECT_EQ(Encode(v.input), v.stream);
        EXPECT_EQ(Expand(v.stream), v.input);
    }
}

TEST(LzssStreamFormat, SortedKeysReachTheSplayDepth) {
    const Bytes input = lzhtest::Numbers();
    ASSERT_EQ(input.size(), 40000u);
    const Bytes stream = Encode(input);
    EXPECT_EQ(stream.size(), 15641u);
    EXPECT_EQ(testdata::Crc32(stream), 0xD14C3553u);
    EXPECT_EQ(Expand(stream), input);

    // The splay is what keeps these insertions shallow, and it shapes the output.
    lzh_reference::Encoder withoutSplay;
    const Bytes unsplayed = withoutSplay.Compress(input, /*splay=*/false);
    EXPECT_GE(withoutSplay.maxDepth(), 30u);
    EXPECT_NE(unsplayed, stream);
    EXPECT_EQ(Expand(unsplayed), input);
}

TEST(LzssDecoder, StreamCutShortGivesWhatWasDecodedBeforeTheCut) {
    const Bytes stream = Hex({0x01, 0x61, 0xEE, 0xFF, 0xFA, 0xF8});
    const std::size_t expected[] = {0, 0, 1, 1, 19, 19, 30};
    for (std::size_t k = 0; k <= stream.size(); ++k) {
        SCOPED_TRACE(k);
        const Bytes out = Expand(Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(k)));
        EXPECT_EQ(out, Bytes(expected[k], 'a'));
    }
}

TEST(LzssDecoder, UnwrittenWindowPositionsReadAsZero) {
    // A match at position 0 before anything was written there, then one that
    // wraps from the end of the ring into its start.
    EXPECT_EQ(Expand(Hex({0x00, 0x00, 0x00})), Bytes(3, 0));
    EXPECT_EQ(Expand(Hex({0x00, 0xFE, 0xFF})), Bytes(18, 0));
    // Eighteen literals fill 4078..4095; a copy from 4094 then wraps the
    // ring and reads at 0 the byte it has itself just written there.
    Bytes stream;
    Bytes expected;
    for (int group = 0; group < 2; ++group) {
        stream.push_back(0xFF);
        for (int i = 0; i < 8; ++i) {
            stream.push_back(static_cast<std::uint8_t>('A' + group * 8 + i));
            expected.push_back(stream.back());
        }
    }
    stream.insert(stream.end(), {0x03, 'Q', 'R', 0xFE, 0xF1});
    expected.insert(expected.end(), {'Q', 'R', 'Q', 'R', 'Q', 'R'});
    EXPECT_EQ(Expand(stream), expected);
}

TEST(LzssDecoder, AnyByteSequenceDecodesWithinBounds) {
    testdata::Random rng(7);
    for (int round = 0; round < 400; ++round) {
        const Bytes junk = testdata::RandomBytes(1 + rng.Below(3000), 1000 + static_cast<std::uint64_t>(round));
        const Bytes out = Expand(junk);
        // Each stream byte yields at most 18 output bytes (two-byte items of 18).
        EXPECT_LE(out.size(), junk.size() * 9);
    }
    // Across a whole input block, whole groups at a time where the block
    // holds them and byte by byte where it does not.
    for (std::uint64_t seed = 1; seed <= 4; ++seed) {
        const Bytes junk = testdata::RandomBytes(lzh::kBlockSize + 5000, seed);
        EXPECT_EQ(Expand(junk), Expand(junk, 1));
    }
    // Incompressible data: stretches of eight-literal groups, copied a
    // stretch at a time up to where either buffer ends, now and then cut by
    // a group with a match.
    Bytes stored;
    while (stored.size() < 3 * lzh::kBlockSize) {
        const bool cut = rng.Below(200) == 0;
        stored.push_back(cut ? 0x7F : 0xFF);
        const Bytes items = testdata::RandomBytes(cut ? 9 : 8, stored.size());
        stored.insert(stored.end(), items.begin(), items.end());
    }
    EXPECT_EQ(Expand(stored), Expand(stored, 1));
}

class LzssRoundTrip : public ::testing::TestWithParam<std::size_t> {};

// Every kind of input, cut at sizes around the window, the look-ahead and
// the module's block size, must agree with the plain encoder bit for bit.
TEST_P(LzssRoundTrip, AgreesWithThePlainEncoderAndExpandsBack) {
    const std::size_t n = GetParam();
    Bytes runs;
    testdata::Random rng(n);
    while (runs.size() < n) runs.insert(runs.end(), 1 + rng.Below(300), static_cast<std::uint8_t>(rng.Below(3)));
    runs.resize(n);
    Bytes mixed = testdata::Text(n / 3, n);
    const Bytes binary = testdata::Binary(n / 3, n + 1);
    mixed.insert(mixed.end(), binary.begin(), binary.end());
    mixed.insert(mixed.end(), n - mixed.size(), 0xAA);

    const std::pair<const char*, Bytes> inputs[] = {
        {"zeros", Bytes(n, 0)},
        {"ones", Bytes(n, 0xFF)},
        {"text", testdata::Text(n, 3)},
        {"binary", testdata::Binary(n, 4)},
        {"random", testdata::RandomBytes(n, 5)},
        {"runs", runs},
        {"mixed", mixed},
    };
    lzh_reference::Encoder reference;
    for (const auto& [name, input] : inputs) {
        SCOPED_TRACE(name);
        const Bytes stream = Encode(input);
        ASSERT_EQ(stream, reference.Compress(input));
        ASSERT_EQ(Expand(stream), input);
        ASSERT_EQ(Encode(input), stream) << "a second run must give the same stream";
        // The module's buffers let both runs take bulk shortcuts; reads of
        // odd sizes move the buffer's end to every offset.
        for (std::size_t piece : {std::size_t{kLZHBlockSize}, std::size_t{4099}}) {
            ASSERT_EQ(lzhtest::ModuleCompress(input, piece), stream);
            ASSERT_EQ(lzhtest::ModuleExpand(stream, piece), input);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, LzssRoundTrip,
                         ::testing::Values(0, 1, 2, 3, 17, 18, 19, 35, 36, 37, 4077, 4078, 4095, 4096, 4097,
                                           8192 + 18, 100000, 262143, 262144, 262145));

TEST(LzssEncoder, RunsOfOneByteBrokenAtEveryOffsetAgreeWithThePlainEncoder) {
    // The encoder takes a shortcut inside runs of one byte value; break such
    // runs at every offset of an item, across the ring's wrap, and at the end.
    lzh_reference::Encoder reference;
    for (std::size_t runLength = 17; runLength <= 60; ++runLength) {
        for (std::size_t tail = 0; tail <= 3; ++tail) {
            Bytes input = FromString("xy");
            input.insert(input.end(), runLength, 'q');
            input.insert(input.end(), tail, static_cast<std::uint8_t>('q' + tail));
            input.insert(input.end(), runLength / 2, 'q');
            SCOPED_TRACE(runLength * 10 + tail);
            const Bytes expected = reference.Compress(input);
            ASSERT_EQ(Encode(input), expected);
            ASSERT_EQ(lzhtest::ModuleCompress(input, 1 + runLength % 7), expected);
        }
    }
    Bytes wrap(4078 + 40, 0);
    for (std::size_t i = 0; i < 5000; i += 97) wrap.insert(wrap.end(), 20 + i % 40, static_cast<std::uint8_t>(i));
    EXPECT_EQ(Encode(wrap), reference.Compress(wrap));
    EXPECT_EQ(lzhtest::ModuleCompress(wrap), reference.Compress(wrap));

    // Long runs coded many items at a time, cut by the module's block ends
    // and by other bytes at every distance from an item boundary.
    Bytes longRuns;
    testdata::Random rng(21);
    for (int k = 0; k < 60; ++k) {
        longRuns.insert(longRuns.end(), 18 * (1 + rng.Below(300)) + rng.Below(18), static_cast<std::uint8_t>(rng.Below(2)));
        longRuns.push_back(static_cast<std::uint8_t>(2 + rng.Below(3)));
    }
    const Bytes expected = reference.Compress(longRuns);
    for (std::size_t piece : {std::size_t{kLZHBlockSize}, std::size_t{1000}, std::size_t{37}})
        EXPECT_EQ(lzhtest::ModuleCompress(longRuns, piece), expected);
}

// Blocks that come with old contents must not leak into the output.
void* DirtyAllocate(std::size_t size) {
    void* block = ::operator new(size, std::nothrow);
    if (block != nullptr) std::memset(block, 0x5A, size);
    return block;
}

TEST(LzssEncoder, MemoryTakenDirtyGivesTheSameStream) {
    const Bytes input = testdata::Text(300000, 9);
    const Bytes expected = Encode(input);
    lzh::testing::SetAllocator(DirtyAllocate, nullptr);
    for (unsigned threads : {1u, 3u}) {
        SCOPED_TRACE(threads);
        EXPECT_EQ(Encode(input, threads), expected);
    }
    EXPECT_EQ(Expand(expected), input);
    lzh::testing::SetAllocator(nullptr, nullptr);
}

TEST(LzssMatchTrees, InsertReplacesEqualKeysAndRemoveUnlinks) {
    auto area = std::make_unique<lzh::TreeArea>();
    std::memset(area.get(), 0, sizeof *area);
    lzh::MatchTrees trees(*area);
    trees.ResetTrees();
    for (std::uint32_t i = 0; i < 18; ++i) area->bytes[100 + i] = static_cast<std::uint8_t>('a' + i);
    for (std::uint32_t i = 0; i < 18; ++i) area->bytes[200 + i] = static_cast<std::uint8_t>('a' + i);
    area->bytes[300] = 'a';
    area->bytes[301] = 'c';

    trees.InsertPosition(100);
    EXPECT_EQ(trees.matchLength, 0u);
    EXPECT_EQ(area->right[lzh::kRootBase + 'a'], 100u);
    EXPECT_EQ(trees.depth, 1u);

    trees.InsertPosition(300);  // "ac..." sorts after "ab...": right child of 100
    EXPECT_EQ(trees.matchLength, 1u);
    EXPECT_EQ(area->right[100], 300u);
    EXPECT_EQ(trees.depth, 2u);

    trees.InsertPosition(200);  // equal key: 200 takes 100's place, 100 leaves
    EXPECT_EQ(trees.matchLength, 18u);
    EXPECT_EQ(trees.matchPosition, 100u);
    EXPECT_FALSE(trees.InTree(100));
    EXPECT_EQ(area->right[lzh::kRootBase + 'a'], 200u);
    EXPECT_EQ(area->right[200], 300u);
    EXPECT_EQ(area->parent[300], 200u);

    trees.RemovePosition(200);
    EXPECT_EQ(area->right[lzh::kRootBase + 'a'], 300u);
    EXPECT_EQ(area->parent[300], lzh::kRootBase + 'a');
    trees.RemovePosition(200);  // not in a tree any more: nothing happens
    EXPECT_EQ(area->right[lzh::kRootBase + 'a'], 300u);
}

TEST(LzssMatchTrees, SplayBringsTheNodeToTheTopAndKeepsTheOrder) {
    auto area = std::make_unique<lzh::TreeArea>();
    std::memset(area.get(), 0, sizeof *area);
    lzh::MatchTrees trees(*area);
    trees.ResetTrees();
    // 40 keys "z" + ascending second byte: a chain down the right side.
    for (std::uint32_t k = 0; k < 40; ++k) {
        area->bytes[k * 20] = 'z';
        area->bytes[k * 20 + 1] = static_cast<std::uint8_t>(k + 1);
    }
    for (std::uint32_t k = 0; k < 29; ++k) trees.InsertPosition(k * 20);
    EXPECT_EQ(trees.depth, 29u);
    EXPECT_EQ(area->parent[28 * 20], 27u * 20);  // no splay below depth 30
    trees.InsertPosition(29 * 20);
    EXPECT_EQ(trees.depth, 30u);
    EXPECT_EQ(area->right[lzh::kRootBase + 'z'], 29u * 20);  // splayed to the top

    // An in-order walk still lists the keys in ascending order.
    std::vector<std::uint32_t> order;
    std::vector<std::uint32_t> stack;
    std::uint32_t node = area->right[lzh::kRootBase + 'z'];
    while (node != lzh::kNil || !stack.empty()) {
        while (node != lzh::kNil) {
            stack.push_back(node);
            node = area->left[node];
        }
        node = stack.back();
        stack.pop_back();
        order.push_back(node);
        node = area->right[node];
    }
    ASSERT_EQ(order.size(), 30u);
    for (std::uint32_t k = 0; k < 30; ++k) EXPECT_EQ(order[k], k * 20);
}

}  // namespace
