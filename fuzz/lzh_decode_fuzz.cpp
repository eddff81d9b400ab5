// Any byte sequence is a valid stream: the decoder must take it without
// reading or writing outside its window and buffers.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_lzh_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzlzh::Bytes out;
    fuzzlzh::Decode(data, size, out);
    // At most 18 bytes come out of two stream bytes.
    if (out.size() > size * 9) __builtin_trap();
    return 0;
}
