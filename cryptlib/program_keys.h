// The two key constants of the desktop program's cipher.  A file records
// neither, so it opens only where the same two are used: the desktop
// program's window, and the command line unless told otherwise.
#pragma once

#include <cstdint>

namespace tessavel {

inline constexpr std::int32_t kAddKey = 527190346;
inline constexpr std::int32_t kMultKey = 381604275;

}  // namespace tessavel
