#include "runtime/clock.h"

#include <atomic>
#include <chrono>

namespace rt {
namespace {

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;

// -1: the real clock.
std::atomic<std::int64_t> fixedClock{-1};

}  // namespace

std::uint32_t MillisecondsSinceMidnightUtc() noexcept {
    std::int64_t ms = fixedClock.load(std::memory_order_relaxed);
    if (ms < 0) {
        // The system clock counts Unix time, which is UTC without leap
        // seconds, so every day has the same length and midnight falls on a
        // multiple of it.
        const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::system_clock::now().time_since_epoch());
        ms = sinceEpoch.count() % kMillisecondsPerDay;
        if (ms < 0) ms += kMillisecondsPerDay;  // a clock set before 1970
    }
    return static_cast<std::uint32_t>(ms);
}

}  // namespace rt

namespace rt::testing {

void SetClock(std::int64_t ms) noexcept {
    fixedClock.store(ms < 0 ? -1 : ms % kMillisecondsPerDay, std::memory_order_relaxed);
}

}  // namespace rt::testing
