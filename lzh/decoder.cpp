#include <stdexcept>

#include "lzh/block_io.h"
#include "lzh/codec.h"
#include "lzh/lzss.h"

namespace lzh {

namespace detail {

void Expand(std::uint8_t* input, std::uint8_t* output, std::uint8_t* window, Source& in, Sink& out) {
    BufferedInput source(in, input);
    BufferedOutput sink(out, output + kWindowSize, true);
    ExpandRun(window, source, sink);
}

}  // namespace detail

Decoder::Decoder() noexcept : memory_(kBlockSize, detail::kExpandOutputBytes, kWindowSize + kMirrorSize) {}

bool Decoder::Prepare() noexcept { return memory_.Take(); }

void Decoder::Release() noexcept { memory_.Release(); }

void Decoder::Decode(Source& in, Sink& out) {
    if (!memory_.Held()) throw std::logic_error("lzh::Decoder used before Prepare");
    detail::Expand(memory_.input(), memory_.output(), memory_.work(), in, out);
}

}  // namespace lzh
