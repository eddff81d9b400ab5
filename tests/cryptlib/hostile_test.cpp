// A sample of damaged enciphered files; tools/hostile-files runs them all.
#include <gtest/gtest.h>

#include "tests/cryptlib/hostile_files.h"

namespace {

void ExpectSound(const hostile::Counts& counts) {
    EXPECT_EQ(counts.failures, 0u);
    for (const std::string& failure : counts.firstFailures) ADD_FAILURE() << failure;
    EXPECT_EQ(counts.truncationsRefused, counts.truncations);
    EXPECT_EQ(counts.headerFlipsRefused, counts.headerFlips);
    EXPECT_EQ(counts.bodyWrong + counts.bodyOriginal, counts.bodyCorruptions);
}

TEST(HostileFiles, DamageNeverCrashesAndHeaderDamageIsRefused) {
    for (bool compression : {false, true}) {
        SCOPED_TRACE(compression ? "compression on" : "compression off");
        testfiles::TempFolder folder;
        hostile::Runner runner(folder, compression, hostile::PlainFor(compression, 40000));
        const std::size_t size = runner.secret().size();
        ASSERT_GT(size, 32776u);

        std::vector<std::size_t> lengths;
        for (std::size_t n = 0; n <= 16; ++n) lengths.push_back(n);
        for (std::size_t n = 32760; n <= 32776; ++n) lengths.push_back(n);  // about the first block's end
        for (std::size_t n = size - 8; n < size; ++n) lengths.push_back(n);
        testdata::Random rng(compression);
        for (int i = 0; i < 100; ++i) lengths.push_back(rng.Below(static_cast<std::uint32_t>(size)));
        runner.Truncations(lengths);
        runner.HeaderFlips();
        runner.BodyCorruptions(150, 7 + compression);

        const hostile::Counts& counts = runner.counts();
        ExpectSound(counts);
        EXPECT_EQ(counts.headerFlips, 64u);
        // Without compression every changed byte deciphers to a changed byte.
        if (!compression) {
            EXPECT_EQ(counts.bodyOriginal, 0u);
        }
    }
}

}  // namespace
