// Runs the codec between memory buffers, without the module's block buffers.
#pragma once

#include <memory>

#include "lzh.h"
#include "lzss.h"
#include "support/test_data.h"

namespace lzhtest {

using testdata::Bytes;

struct MemorySource {
    const Bytes& data;
    std::size_t next = 0;
    std::size_t reads = 0;
    int ReadByte() {
        ++reads;
        return next < data.size() ? data[next++] : lzh::kEndOfInput;
    }
};

struct MemorySink {
    Bytes data;
    int flushes = 0;
    void WriteByte(std::uint8_t b) { data.push_back(b); }
    void FlushOutput() { ++flushes; }
};

inline Bytes Compress(const Bytes& input) {
    auto area = std::make_unique<lzh::WorkArea>();
    MemorySource in{input};
    MemorySink out;
    lzh::CompressRun(*area, in, out);
    return out.data;
}

inline Bytes Expand(const Bytes& stream) {
    auto area = std::make_unique<lzh::WorkArea>();
    MemorySource in{stream};
    MemorySink out;
    lzh::ExpandRun(*area, in, out);
    return out.data;
}

// Through the module's entry points, whose buffers give the codec bulk access;
// reads hand over at most `piece` bytes, so refills land anywhere.
namespace detail {
inline const Bytes* moduleInput = nullptr;
inline std::size_t moduleNext = 0;
inline std::size_t modulePiece = 0;
inline Bytes moduleOutput;
inline std::int32_t ModuleRead(std::uint8_t* buffer) {
    std::size_t n = moduleInput->size() - moduleNext;
    if (n > modulePiece) n = modulePiece;
    if (n != 0) std::memcpy(buffer, moduleInput->data() + moduleNext, n);
    moduleNext += n;
    return static_cast<std::int32_t>(n);
}
inline std::int32_t ModuleWrite(std::uint8_t* buffer, std::int32_t count) {
    moduleOutput.insert(moduleOutput.end(), buffer, buffer + count);
    return count;
}
inline Bytes RunModule(bool encode, const Bytes& input, std::size_t piece) {
    moduleInput = &input;
    moduleNext = 0;
    modulePiece = piece;
    moduleOutput.clear();
    if (!LZHInit()) throw std::bad_alloc();
    encode ? LZHEncode(ModuleRead, ModuleWrite) : LZHDecode(ModuleRead, ModuleWrite);
    LZHDone();
    return moduleOutput;
}
}  // namespace detail

inline Bytes ModuleCompress(const Bytes& input, std::size_t piece = kLZHBlockSize) {
    return detail::RunModule(true, input, piece);
}
inline Bytes ModuleExpand(const Bytes& stream, std::size_t piece = kLZHBlockSize) {
    return detail::RunModule(false, stream, piece);
}

inline Bytes Hex(std::initializer_list<int> bytes) {
    Bytes out;
    for (int b : bytes) out.push_back(static_cast<std::uint8_t>(b));
    return out;
}

}  // namespace lzhtest
