// The clock.
#include <cstdint>
#include <ctime>

#include <gtest/gtest.h>

#include "runtime/clock.h"

namespace {

TEST(Clock, MillisecondsSinceMidnightUtc) {
    rt::testing::SetClock(-1);
    const std::int64_t expected = static_cast<std::int64_t>(std::time(nullptr) % 86400) * 1000;
    const std::int64_t ms = rt::MillisecondsSinceMidnightUtc();
    EXPECT_LT(ms, 86400000);
    // Within two seconds of the C library's clock, around midnight too.
    std::int64_t distance = (ms - expected) % 86400000;
    if (distance < 0) distance += 86400000;
    EXPECT_TRUE(distance < 2000 || distance > 86400000 - 2000) << ms << " vs " << expected;
}

TEST(Clock, TestsCanFixIt) {
    rt::testing::SetClock(0);
    EXPECT_EQ(rt::MillisecondsSinceMidnightUtc(), 0u);
    rt::testing::SetClock(86399999);
    EXPECT_EQ(rt::MillisecondsSinceMidnightUtc(), 86399999u);
    rt::testing::SetClock(12345);
    EXPECT_EQ(rt::MillisecondsSinceMidnightUtc(), 12345u);
    rt::testing::SetClock(-1);
    EXPECT_LT(rt::MillisecondsSinceMidnightUtc(), 86400000u);
}

}  // namespace
