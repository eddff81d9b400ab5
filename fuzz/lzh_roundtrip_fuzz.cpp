// Whatever goes into the encoder must come back out of the decoder, and the
// encoder must give the same stream twice.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/fuzz_lzh_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzlzh::Bytes stream, again, back;
    fuzzlzh::Encode(data, size, stream);
    fuzzlzh::Encode(data, size, again);
    if (stream != again) __builtin_trap();
    fuzzlzh::Decode(stream.data(), stream.size(), back);
    if (back.size() != size || (size != 0 && std::memcmp(back.data(), data, size) != 0)) __builtin_trap();
    return 0;
}
