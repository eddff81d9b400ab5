// The cipher's pseudo-random sequence: one process-wide linear congruential
// generator.  Encryption and decryption replay the same draws from the same
// seeds, so the update and the range mapping are fixed bit for bit.
#pragma once

#include <cstdint>

inline constexpr std::uint32_t kRandomMultiplier = 134775813;
inline constexpr std::uint32_t kRandomIncrement = 1;

// One state for the whole process; 0 at start.  The cipher assigns it
// directly whenever it needs a known starting point.
extern std::uint32_t RandomSeed;

// Advances RandomSeed once (for every range, 0 and 1 included) and scales the
// new state into 0..range-1: the upper half of range * state, not a remainder.
inline std::uint32_t RandomBelow(std::uint32_t range) noexcept {
    RandomSeed = RandomSeed * kRandomMultiplier + kRandomIncrement;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(range) * RandomSeed) >> 32);
}

// RandomSeed := milliseconds since midnight, UTC.
void SeedFromClock() noexcept;

// k steps of the generator at once: state_k = mul * state + add.
struct RandomJump {
    std::uint32_t mul = 1;
    std::uint32_t add = 0;
    std::uint32_t Apply(std::uint32_t state) const noexcept { return state * mul + add; }
};
RandomJump JumpAhead(std::uint64_t steps) noexcept;
