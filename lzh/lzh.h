// The LZH module: compresses and expands byte streams between two block
// callbacks.  One module-wide state; one job at a time:
//   LZHInit(); if it returned true, one LZHEncode or LZHDecode; LZHDone().
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::int32_t kLZHBlockSize = 262144;

// Stores up to kLZHBlockSize bytes at `buffer` and returns how many; 0 ends
// the input.  It is asked again after it has returned 0 and must return 0.
using LZHReadProc = std::int32_t (*)(std::uint8_t* buffer);

// Takes all `count` bytes (0..kLZHBlockSize) from the start of `buffer`, or
// throws.  The result is not looked at.
using LZHWriteProc = std::int32_t (*)(std::uint8_t* buffer, std::int32_t count);

// Takes the two block buffers and the working area.  True when prepared;
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

// Lets tests watch and fail the module's three allocations.  The allocator
// returns nullptr for "no memory"; nullptr arguments restore the defaults.
using AllocateFn = void* (*)(std::size_t size);
using ReleaseFn = void (*)(void* block);
void SetAllocator(AllocateFn allocate, ReleaseFn release) noexcept;

[[nodiscard]] bool IsPrepared() noexcept;

}  // namespace lzh::testing
