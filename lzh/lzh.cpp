// The module's entry points: a thin layer over one encoder object, whose
// memory also serves expansion (a read buffer, the output buffer and a
// working area at least as large as the window), so one LZHInit prepares
// for either run.
#include "lzh/lzh.h"

#include "lzh/block_io.h"

namespace lzh::detail {

struct ModuleAccess {
    static void Decode(Encoder& encoder, Source& in, Sink& out) {
        const Blocks& memory = encoder.memory_;
        Expand(memory.input(), memory.output(), memory.work(), in, out);
    }
};

}  // namespace lzh::detail

namespace {

struct CallbackSource final : lzh::Source {
    explicit CallbackSource(LZHReadProc proc) noexcept : read(proc) {}
    std::int32_t Read(std::uint8_t* buffer) override { return read(buffer); }
    LZHReadProc read;
};

struct CallbackSink final : lzh::Sink {
    explicit CallbackSink(LZHWriteProc proc) noexcept : write(proc) {}
    // The callback type takes a writable pointer; the buffer is the codec's own.
    void Write(const std::uint8_t* data, std::int32_t count) override {
        write(const_cast<std::uint8_t*>(data), count);
    }
    LZHWriteProc write;
};

// The one module-wide codec the entry points name; the default thread count.
lzh::Encoder& Module() {
    static lzh::Encoder codec;
    return codec;
}

}  // namespace

bool LZHInit() noexcept { return Module().Prepare(); }

void LZHEncode(LZHReadProc read, LZHWriteProc write) {
    if (!Module().Prepared()) return;
    CallbackSource in(read);
    CallbackSink out(write);
    Module().Encode(in, out);
}

void LZHDecode(LZHReadProc read, LZHWriteProc write) {
    if (!Module().Prepared()) return;
    CallbackSource in(read);
    CallbackSink out(write);
    lzh::detail::ModuleAccess::Decode(Module(), in, out);
}

void LZHDone() noexcept { Module().Release(); }

namespace lzh::testing {

bool IsPrepared() noexcept { return Module().Prepared(); }

}  // namespace lzh::testing
