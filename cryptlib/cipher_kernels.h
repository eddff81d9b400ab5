// The hot loops of the buffer cipher.  Each takes the generator state and the
// running key explicitly, so the component can keep them in registers across a
// whole block; the results are exactly those of the draw-by-draw definition.
#pragma once

#include <cstddef>
#include <cstdint>

namespace cipher {

inline constexpr std::uint32_t kMaxBlock = 32768;

struct KeyState {
    std::uint32_t seed;     // the generator state, RandomSeed
    std::uint32_t runKey;   // stepped after every byte
    std::uint32_t stepKey;  // added in every step
    std::uint32_t mult;     // MultKey
    std::uint32_t add;      // AddKey
};

// Enciphers n bytes in place: n partners, then n key-stream bytes, then the
// chain of exchanges.  `partners` is scratch of n entries.
void Encipher(KeyState& key, std::uint8_t* buffer, std::uint32_t n, std::uint16_t* partners) noexcept;

// The inverse of Encipher for the same state.
void Decipher(KeyState& key, std::uint8_t* buffer, std::uint32_t n, std::uint16_t* partners) noexcept;

// Deciphering a run of blocks (kMaxBlock bytes each, the last one maybe
// shorter) in two steps, so that threads can share the work.  Undoing a
// block's exchanges needs only the generator state at the block's start, a
// jump ahead of the run's, so it may run anywhere and in any order.  The key
// streams then run in order, each from the running key the one before ended
// with.  Together they leave the bytes and the key state exactly as Decipher
// of each block in turn does.  `seed` is key.seed at the run's start.
void UndoRunExchanges(std::uint32_t seed, std::uint8_t* buffer, std::size_t count) noexcept;

void StreamRun(KeyState& key, std::uint8_t* buffer, std::size_t count) noexcept;

namespace testing {
// Keeps the kernels to vectors of at most `lanes` 32-bit lanes (16, 8, or 1
// for none), so that one processor can check every path; returns the widest
// now in use.
unsigned LimitLanes(unsigned lanes) noexcept;
}  // namespace testing

// 32-bit CRC, reflected polynomial 0xEDB88320, register starting at 0 and no
// final inversion.
std::uint32_t Crc(const std::uint8_t* data, std::size_t count) noexcept;

}  // namespace cipher
