// The LZH module: compresses and expands byte streams between two block
// callbacks.  One module-wide state; one job at a time:
//   LZHInit(); if it returned true, one LZHEncode or LZHDecode; LZHDone().
// It is a layer over the codec objects of codec.h, with the default thread
// count; callers that want their own state use those directly.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lzh/codec.h"

inline constexpr std::int32_t kLZHBlockSize = static_cast<std::int32_t>(lzh::kBlockSize);

// Stores up to kLZHBlockSize bytes at `buffer` and returns how many; 0 ends
// the input.  It is asked again after it has returned 0 and must return 0.
using LZHReadProc = std::int32_t (*)(std::uint8_t* buffer);

// Takes all `count` bytes (0..kLZHBlockSize) from the start of `buffer`, or
// throws.  The result is not looked at.
using LZHWriteProc = std::int32_t (*)(std::uint8_t* buffer, std::int32_t count);

// Takes the read buffer, the output buffer and the working area (in this
// order; the working area holds the encoder's workers).  True when prepared;
// false, with nothing held, when memory ran out.  A second call while
// prepared returns true and takes nothing.
bool LZHInit() noexcept;

// Compress / expand everything `read` delivers and hand the result to
// `write`.  Before LZHInit (or after LZHDone) neither callback is called.
// An exception thrown by a callback passes through unchanged; the module then
// stays prepared and the next run starts from the fresh state.
void LZHEncode(LZHReadProc read, LZHWriteProc write);
void LZHDecode(LZHReadProc read, LZHWriteProc write);

// Releases what LZHInit took.  Harmless when nothing is held.
void LZHDone() noexcept;

namespace lzh::testing {

// SetAllocator (codec.h) governs the module's three allocations too.
[[nodiscard]] bool IsPrepared() noexcept;

}  // namespace lzh::testing
