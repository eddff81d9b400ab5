#pragma once

#include <cstdint>

namespace rt {

// Milliseconds elapsed since midnight, Coordinated Universal Time: 0..86399999.
std::uint32_t MillisecondsSinceMidnightUtc() noexcept;

}  // namespace rt

namespace rt::testing {
// Fixes the clock at `ms` for tests; a negative value restores the real one.
void SetClock(std::int64_t ms) noexcept;
}  // namespace rt::testing
