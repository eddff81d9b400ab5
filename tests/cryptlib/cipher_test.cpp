#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cryptlib/cipher_kernels.h"
#include "cryptlib/cryptlib.h"
#include "cryptlib/program_keys.h"
#include "cryptlib/random.h"
#include "runtime/clock.h"
#include "runtime/exceptions.h"
#include "tests/cryptlib/reference_cipher.h"
#include "tests/support/test_data.h"

namespace {

using testdata::Bytes;

TEST(RandomSequence, WorkedStatesAndDraws) {
    RandomSeed = 0;
    RandomBelow(7);
    EXPECT_EQ(RandomSeed, 1u);
    RandomBelow(7);
    EXPECT_EQ(RandomSeed, 134775814u);
    RandomBelow(7);
    EXPECT_EQ(RandomSeed, 3698175007u);

    RandomSeed = 0;
    const std::uint32_t expected[] = {0, 8, 219, 51, 69};
    for (std::uint32_t e : expected) EXPECT_EQ(RandomBelow(255), e);
}

TEST(RandomSequence, RangeMappingScalesTheState) {
    RandomSeed = 5;
    EXPECT_EQ(RandomBelow(0), 0u);  // still a step
    EXPECT_EQ(RandomSeed, 5u * 134775813u + 1u);
    EXPECT_EQ(RandomBelow(1), 0u);

    // Range -2: the new state minus 1 up to 2^31, minus 2 above, 0 for 0.
    std::uint32_t inverse = kRandomMultiplier;  // Newton's iteration for 1 / multiplier mod 2^32
    for (int i = 0; i < 5; ++i) inverse *= 2 - kRandomMultiplier * inverse;
    for (std::uint32_t target : {1u, 2u, 0x7FFFFFFFu, 0x80000000u, 0x80000001u, 0xFFFFFFFFu, 0u}) {
        RandomSeed = (target - 1) * inverse;  // the state whose successor is `target`
        const std::uint32_t result = RandomBelow(static_cast<std::uint32_t>(-2));
        ASSERT_EQ(RandomSeed, target);
        const std::uint32_t want = target == 0 ? 0 : (target <= 0x80000000u ? target - 1 : target - 2);
        EXPECT_EQ(result, want) << target;
    }
    for (std::uint32_t s = 0; s < 100000; ++s) {
        RandomSeed = s * 2654435761u;
        ASSERT_LE(RandomBelow(255), 254u);
    }
}

TEST(RandomSequence, JumpAheadEqualsSteppingAndClockSeedsMilliseconds) {
    for (std::uint64_t steps : {0u, 1u, 2u, 3u, 31u, 32768u, 65536u, 1000003u}) {
        std::uint32_t s = 0xDEADBEEF;
        for (std::uint64_t i = 0; i < steps; ++i) s = s * kRandomMultiplier + 1;
        EXPECT_EQ(JumpAhead(steps).Apply(0xDEADBEEF), s) << steps;
    }
    for (std::int64_t ms : {0, 86399999, 45296789}) {
        rt::testing::SetClock(ms);
        SeedFromClock();
        EXPECT_EQ(RandomSeed, static_cast<std::uint32_t>(ms));
    }
    rt::testing::SetClock(-1);
}

TEST(BlockCrc, StartsAtZeroWithoutFinalInversion) {
    const std::string digits = "123456789";
    EXPECT_EQ(TCryptLib::BlockCrc(reinterpret_cast<const std::uint8_t*>(digits.data()), 9), 0x2DFD2D88u);
    EXPECT_EQ(TCryptLib::BlockCrc(reinterpret_cast<const std::uint8_t*>("abc"), 3), 0xCA6598D0u);
    EXPECT_EQ(TCryptLib::BlockCrc(nullptr, 0), 0u);
}

TEST(KeySchedule, PasswordCharactersPackIntoThreeWords) {
    struct Case {
        std::string password;
        std::uint32_t seed, run, step;
    };
    const Case cases[] = {
        {"", 0, 0, 0},
        {"abcd", 0x64636261, 0, 0},
        {"abcde", 0x64636261, 0x65, 0},
        {"abcdefgh", 0x64636261, 0x68676665, 0},
        {"abcdefghi", 0x64636261, 0x68676665, 0x69},
        {"abcdefghijkl", 0x64636261, 0x68676665, 0x6C6B6A69},
        {"\xC0\xFF\x01", 0x0001FFC0, 0, 0},
    };
    rt::testing::SetClock(1234);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.password);
        TCryptLib crypto;
        crypto.SetPassword(c.password);
        crypto.AllocateBuffers();
        crypto.PrepareKey();
        EXPECT_EQ(crypto.SeedKey(), c.seed);
        EXPECT_EQ(crypto.RunKey(), c.run);
        EXPECT_EQ(crypto.StepKey(), c.step);
        EXPECT_EQ(RandomSeed, c.seed);

        reference::Cipher ref(c.password, crypto.MultKey(), crypto.AddKey(), 1234);
        EXPECT_EQ(crypto.HeaderNonce(), ref.nonce);
        EXPECT_EQ(Bytes(crypto.KeyBlock(), crypto.KeyBlock() + 16), ref.keyBlock);
        crypto.ReleaseBuffers();
    }
    rt::testing::SetClock(-1);
}

TEST(KeySchedule, EmptyPasswordRepeatsTheFirstDrawsFromZero) {
    TCryptLib crypto;
    crypto.SetPassword("");
    crypto.PrepareKey();
    const std::uint8_t first[] = {0, 8, 219, 51};
    for (int group = 0; group < 3; ++group)
        for (int i = 0; i < 4; ++i) EXPECT_EQ(crypto.KeyBlock()[group * 4 + i], first[i]);
    crypto.ReleaseBuffers();
}

// The kernels go back to the widest vectors at the end of a test, whatever
// happens in it.
struct WidestLanesAfter {
    WidestLanesAfter() = default;
    ~WidestLanesAfter() { cipher::testing::LimitLanes(16); }
    WidestLanesAfter(const WidestLanesAfter&) = delete;
    WidestLanesAfter& operator=(const WidestLanesAfter&) = delete;
};

// The component's buffer cipher against the plain one, for lengths that hit
// every unrolled tail and the full block, over a history of buffers.
TEST(BufferCipher, AgreesWithThePlainCipherAndDecipherRestores) {
    // Every vector width the processor has, and none.
    const WidestLanesAfter widest;
    for (const unsigned lanes : {16u, 8u, 1u}) {
        SCOPED_TRACE(testing::Message() << "lanes " << cipher::testing::LimitLanes(lanes));
        testdata::Random rng(3);
        const std::uint32_t lengths[] = {1, 2, 3, 4, 5, 7, 8, 16, 17, 1000, 32767, 32768, 0, 9, 32768, 31};
        for (std::int32_t mult : {tessavel::kMultKey, 1, -7}) {
            for (std::int32_t add : {tessavel::kAddKey, 1, -1}) {
                TCryptLib a;
                a.SetMultKey(mult);
                a.SetAddKey(add);
                a.SetPassword("pass\xE9word12");
                rt::testing::SetClock(777);
                a.AllocateBuffers();
                a.PrepareKey();
                reference::Cipher ref("pass\xE9word12", mult, add, 777);
                TCryptLib b;
                b.SetMultKey(mult);
                b.SetAddKey(add);
                b.SetPassword("pass\xE9word12");
                b.AllocateBuffers();
                b.PrepareKey();
                reference::Cipher back("pass\xE9word12", mult, add, 777);
                // a and b take turns on the one process-wide generator, so each
                // keeps its own state between its buffers.
                std::uint32_t aState = RandomSeed, bState = RandomSeed;
                for (std::uint32_t n : lengths) {
                    SCOPED_TRACE(testing::Message() << mult << " " << add << " " << n);
                    const Bytes plain = testdata::RandomBytes(n, rng.Next());
                    Bytes mine = plain, theirs = plain;
                    RandomSeed = aState;
                    a.EncipherBuffer(mine.data(), n);
                    aState = RandomSeed;
                    ref.Encipher(theirs.data(), n);
                    ASSERT_EQ(mine, theirs);
                    ASSERT_EQ(a.RunKey(), ref.runKey);
                    ASSERT_EQ(aState, ref.g.state);

                    RandomSeed = bState;
                    std::copy(mine.begin(), mine.end(), b.DataBuffer());
                    b.DecipherBuffer(n);
                    bState = RandomSeed;
                    back.Decipher(theirs.data(), n);
                    ASSERT_EQ(Bytes(b.DataBuffer(), b.DataBuffer() + n), plain);
                    ASSERT_EQ(theirs, plain);
                    ASSERT_EQ(b.RunKey(), back.runKey);
                    ASSERT_EQ(bState, back.g.state);
                }
                a.ReleaseBuffers();
                b.ReleaseBuffers();
            }
        }
    }
    rt::testing::SetClock(-1);
}

TEST(BufferCipher, EmptyBufferDrawsNothingAndBufferHistoryMatters) {
    TCryptLib a;
    a.PrepareKey();
    const std::uint32_t seed = RandomSeed, run = a.RunKey();
    a.EncipherBuffer(nullptr, 0);
    EXPECT_EQ(RandomSeed, seed);
    EXPECT_EQ(a.RunKey(), run);

    // The same bytes deciphered after another history do not come back.
    Bytes data = testdata::FromString("history decides the running key");
    Bytes enciphered = data;
    a.EncipherBuffer(enciphered.data(), static_cast<std::uint32_t>(enciphered.size()));
    TCryptLib b;
    b.AllocateBuffers();
    b.PrepareKey();
    Bytes detour(5, 1);
    b.EncipherBuffer(detour.data(), 5);
    std::copy(enciphered.begin(), enciphered.end(), b.DataBuffer());
    b.DecipherBuffer(static_cast<std::uint32_t>(enciphered.size()));
    EXPECT_NE(Bytes(b.DataBuffer(), b.DataBuffer() + data.size()), data);
    a.ReleaseBuffers();
    b.ReleaseBuffers();
}

// Deciphering split as threads share it (exchanges undone last block first,
// each from a jumped state, then the key streams in order, each from its
// block's jumped state and the running key the one before left) against
// deciphering block by block in order, for runs that end on and off a
// block's edge.
TEST(BufferCipher, SplitDecipheringEqualsBlockByBlock) {
    constexpr std::size_t kBlock = cipher::kMaxBlock;
    const std::size_t lengths[] = {1, 2, kBlock - 1, kBlock, kBlock + 1, 2 * kBlock, 8 * kBlock - 1, 9 * kBlock + 2};
    // Every vector width the processor has, and none.
    const WidestLanesAfter widest;
    for (const unsigned lanes : {16u, 8u, 1u}) {
        SCOPED_TRACE(testing::Message() << "lanes " << cipher::testing::LimitLanes(lanes));
        for (std::int32_t mult : {tessavel::kMultKey, 1, -7}) {
            const cipher::KeyState start{0x9E3779B9u, 0x12345678u, 0xCAFEu, static_cast<std::uint32_t>(mult),
                                         static_cast<std::uint32_t>(tessavel::kAddKey)};
            for (std::size_t length : lengths) {
                SCOPED_TRACE(testing::Message() << mult << " " << length);
                const Bytes enciphered = testdata::RandomBytes(length, length);
                Bytes expected = enciphered;
                cipher::KeyState inOrder = start;
                std::vector<std::size_t> starts;
                for (std::size_t at = 0; at < length; at += kBlock) {
                    starts.push_back(at);
                    const auto n = static_cast<std::uint32_t>(std::min(kBlock, length - at));
                    cipher::Decipher(inOrder, expected.data() + at, n, nullptr);
                }
                auto size = [&](std::size_t at) { return std::min(kBlock, length - at); };
                Bytes split = enciphered;
                for (std::size_t b = starts.size(); b-- > 0;)
                    cipher::UndoRunExchanges(JumpAhead(2 * starts[b]).Apply(start.seed), split.data() + starts[b],
                                             size(starts[b]));
                cipher::KeyState key = start;
                for (const std::size_t at : starts) {
                    key.seed = JumpAhead(2 * at).Apply(start.seed);
                    cipher::StreamRun(key, split.data() + at, size(at));
                }
                EXPECT_EQ(key.seed, inOrder.seed);
                EXPECT_EQ(key.runKey, inOrder.runKey);
                ASSERT_EQ(split, expected);
            }
        }
    }
}

TEST(TCryptLibProperties, DefaultsAndRefusedValues) {
    TCryptLib crypto;
    EXPECT_EQ(crypto.Infile(), "");
    EXPECT_EQ(crypto.Outfile(), "");
    EXPECT_EQ(crypto.Password(), "739104");
    EXPECT_TRUE(crypto.Compression());
    EXPECT_EQ(crypto.AddKey(), 4471);
    EXPECT_EQ(crypto.MultKey(), 9261);
    EXPECT_FALSE(crypto.SameFile());

    // The text of the exception that refuses a value.
    const auto refusal = [](const std::function<void()>& set) -> std::string {
        try {
            set();
        } catch (const rt::Exception& e) {
            return e.Message();
        }
        return "<no exception>";
    };

    crypto.SetPassword("123456789012");
    EXPECT_EQ(crypto.Password(), "123456789012");
    EXPECT_EQ(refusal([&] { crypto.SetPassword("1234567890123"); }), "TCryptLib.Password is too long");
    EXPECT_EQ(crypto.Password(), "");

    EXPECT_EQ(refusal([&] { crypto.SetMultKey(0); }), "TCryptLib.MultKey is too big");
    EXPECT_EQ(crypto.MultKey(), 1);
    EXPECT_EQ(refusal([&] { crypto.SetAddKey(0); }), "TCryptLib.AddKey is too big");
    EXPECT_EQ(crypto.AddKey(), 1);
    crypto.SetAddKey(-5);
    crypto.SetMultKey(-9);
    EXPECT_EQ(crypto.AddKey(), -5);
    EXPECT_EQ(crypto.MultKey(), -9);
}

}  // namespace
