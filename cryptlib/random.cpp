#include "cryptlib/random.h"

#include "runtime/clock.h"

std::uint32_t RandomSeed = 0;

void SeedFromClock() noexcept { RandomSeed = rt::MillisecondsSinceMidnightUtc(); }

RandomJump JumpAhead(std::uint64_t steps) noexcept {
    // Square-and-multiply over the affine maps x -> m x + a.
    RandomJump result;
    RandomJump power{kRandomMultiplier, kRandomIncrement};
    while (steps != 0) {
        if (steps & 1) result = {result.mul * power.mul, result.add * power.mul + power.add};
        power = {power.mul * power.mul, power.add * power.mul + power.add};
        steps >>= 1;
    }
    return result;
}
