// Drives the LZH module's real entry points from memory.  The inputs are cut
// into uneven reads so that block refills land at every offset.
#pragma once

#include <cstring>
#include <vector>

#include "lzh/lzh.h"

namespace fuzzlzh {

using Bytes = std::vector<std::uint8_t>;

inline const std::uint8_t* gData = nullptr;
inline std::size_t gSize = 0;
inline std::size_t gNext = 0;
inline Bytes* gOut = nullptr;

inline std::int32_t Read(std::uint8_t* buffer) {
    std::size_t n = gSize - gNext;
    const std::size_t piece = 1 + (gNext * 7919 + gSize) % 5003;
    if (n > piece) n = piece;
    if (n != 0) std::memcpy(buffer, gData + gNext, n);
    gNext += n;
    return static_cast<std::int32_t>(n);
}

inline std::int32_t Write(std::uint8_t* buffer, std::int32_t count) {
    gOut->insert(gOut->end(), buffer, buffer + count);
    return count;
}

inline void Run(bool encode, const std::uint8_t* data, std::size_t size, Bytes& out) {
    gData = data;
    gSize = size;
    gNext = 0;
    gOut = &out;
    if (!LZHInit()) __builtin_trap();
    if (encode)
        LZHEncode(Read, Write);
    else
        LZHDecode(Read, Write);
    LZHDone();
}

inline void Encode(const std::uint8_t* data, std::size_t size, Bytes& out) { Run(true, data, size, out); }
inline void Decode(const std::uint8_t* data, std::size_t size, Bytes& out) { Run(false, data, size, out); }

}  // namespace fuzzlzh
