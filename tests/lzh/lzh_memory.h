// Runs the codec between memory buffers, without the module's block buffers.
#pragma once

#include <memory>

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

inline Bytes Hex(std::initializer_list<int> bytes) {
    Bytes out;
    for (int b : bytes) out.push_back(static_cast<std::uint8_t>(b));
    return out;
}

}  // namespace lzhtest
