// Whatever the input, the encoder on several threads must give the stream of
// one thread.  Small blocks put block ends, and the positions that wait for
// the next block, all through the small inputs a fuzzer makes; the input's
// size picks the thread count, the block length and the read size.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "lzh/codec.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Feed final : lzh::Source {
    Feed(const std::uint8_t* bytes, std::size_t count, std::size_t readSize) : data(bytes), size(count), piece(readSize) {}
    std::int32_t Read(std::uint8_t* buffer) override {
        std::size_t n = size - next;
        if (n > piece) n = piece;
        if (n != 0) std::memcpy(buffer, data + next, n);
        next += n;
        return static_cast<std::int32_t>(n);
    }
    const std::uint8_t* data;
    std::size_t size;
    std::size_t piece;
    std::size_t next = 0;
};

struct Collect final : lzh::Sink {
    void Write(const std::uint8_t* bytes, std::int32_t count) override { out.insert(out.end(), bytes, bytes + count); }
    Bytes out;
};

Bytes Encode(lzh::Encoder& encoder, const std::uint8_t* data, std::size_t size, std::size_t piece) {
    if (!encoder.Prepared() && !encoder.Prepare()) __builtin_trap();
    Feed in(data, size, piece);
    Collect out;
    encoder.Encode(in, out);
    return out.out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Prepared once: a job must not depend on what the one before left.
    static lzh::Encoder one(1);
    static lzh::Encoder several[4][6] = {
#define TESSAVEL_ROW(n)                                                                                    \
    {lzh::Encoder(n, 64), lzh::Encoder(n, 65), lzh::Encoder(n, 200), lzh::Encoder(n, 1000), lzh::Encoder(n, 4099), \
     lzh::Encoder(n, lzh::kBlockSize)}
        TESSAVEL_ROW(1), TESSAVEL_ROW(2), TESSAVEL_ROW(3), TESSAVEL_ROW(5),
#undef TESSAVEL_ROW
    };
    const Bytes expected = Encode(one, data, size, lzh::kBlockSize);
    lzh::Encoder& encoder = several[size % 4][(size / 4) % 6];
    if (Encode(encoder, data, size, 1 + size % 997) != expected) __builtin_trap();
    return 0;
}
