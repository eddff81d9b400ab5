// Runs the codec objects, and the module's entry points, between memory
// buffers.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "lzh/codec.h"
#include "lzh/lzh.h"
#include "tests/lzh/reference_lzss.h"
#include "tests/support/test_data.h"

namespace lzhtest {

using testdata::Bytes;

// Hands the input over in reads of at most `piece` bytes, so refills land
// anywhere; then 0, as often as asked.
struct MemorySource final : lzh::Source {
    MemorySource(const Bytes& input, std::size_t readSize = lzh::kBlockSize) : data(input), piece(readSize) {}
    std::int32_t Read(std::uint8_t* buffer) override {
        const std::size_t n = std::min(piece, data.size() - next);
        if (n != 0) std::memcpy(buffer, data.data() + next, n);
        next += n;
        counts.push_back(static_cast<std::int32_t>(n));
        return static_cast<std::int32_t>(n);
    }
    const Bytes& data;
    std::size_t piece;
    std::size_t next = 0;
    std::vector<std::int32_t> counts;
};

struct MemorySink final : lzh::Sink {
    void Write(const std::uint8_t* bytes, std::int32_t count) override {
        data.insert(data.end(), bytes, bytes + count);
        counts.push_back(count);
    }
    Bytes data;
    std::vector<std::int32_t> counts;
};

// The plain encoder's stream, taking no memory through the codec's allocator.
inline Bytes Compress(const Bytes& input) { return lzh_reference::Encoder().Compress(input); }

inline Bytes Encode(const Bytes& input, unsigned threads = 1, std::uint32_t blockBytes = lzh::kBlockSize,
                    std::size_t piece = lzh::kBlockSize) {
    lzh::Encoder encoder(threads, blockBytes);
    if (!encoder.Prepare()) throw std::bad_alloc();
    MemorySource in(input, piece);
    MemorySink out;
    encoder.Encode(in, out);
    return out.data;
}

inline Bytes Expand(const Bytes& stream, std::size_t piece = lzh::kBlockSize) {
    lzh::Decoder decoder;
    if (!decoder.Prepare()) throw std::bad_alloc();
    MemorySource in(stream, piece);
    MemorySink out;
    decoder.Decode(in, out);
    return out.data;
}

// Through the module's entry points, whose callbacks take no context.
namespace detail {
inline MemorySource* moduleSource = nullptr;
inline MemorySink* moduleSink = nullptr;
inline std::int32_t ModuleRead(std::uint8_t* buffer) { return moduleSource->Read(buffer); }
inline std::int32_t ModuleWrite(std::uint8_t* buffer, std::int32_t count) {
    moduleSink->Write(buffer, count);
    return count;
}
inline Bytes RunModule(bool encode, const Bytes& input, std::size_t piece) {
    MemorySource in(input, piece);
    MemorySink out;
    moduleSource = &in;
    moduleSink = &out;
    if (!LZHInit()) throw std::bad_alloc();
    encode ? LZHEncode(ModuleRead, ModuleWrite) : LZHDecode(ModuleRead, ModuleWrite);
    LZHDone();
    return out.data;
}
}  // namespace detail

inline Bytes ModuleCompress(const Bytes& input, std::size_t piece = kLZHBlockSize) {
    return detail::RunModule(true, input, piece);
}
inline Bytes ModuleExpand(const Bytes& stream, std::size_t piece = kLZHBlockSize) {
    return detail::RunModule(false, stream, piece);
}

// The 5000 numbers 0..4999 as eight decimal digits each: sorted keys that
// drive insertions to the splay depth.
inline Bytes Numbers() {
    Bytes out;
    char digits[16];
    for (int i = 0; i < 5000; ++i) {
        std::snprintf(digits, sizeof digits, "%08d", i);
        out.insert(out.end(), digits, digits + 8);
    }
    return out;
}

inline Bytes Hex(std::initializer_list<int> bytes) {
    Bytes out;
    for (int b : bytes) out.push_back(static_cast<std::uint8_t>(b));
    return out;
}

}  // namespace lzhtest
