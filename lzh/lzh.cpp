#include "lzh.h"

#include <new>

#include "lzss.h"

namespace {

constexpr std::uint32_t kBlock = static_cast<std::uint32_t>(kLZHBlockSize);

void* DefaultAllocate(std::size_t size) { return ::operator new(size, std::nothrow); }
void DefaultRelease(void* block) { ::operator delete(block); }

struct ModuleState {
    bool prepared = false;
    std::uint8_t* input = nullptr;
    std::uint8_t* output = nullptr;
    lzh::WorkArea* work = nullptr;
    std::uint32_t inputPosition = kBlock;
    std::uint32_t inputCount = kBlock;
    std::uint32_t outputCount = 0;
    LZHReadProc read = nullptr;
    LZHWriteProc write = nullptr;
    lzh::testing::AllocateFn allocate = DefaultAllocate;
    lzh::testing::ReleaseFn release = DefaultRelease;
};

ModuleState g;

// The block source: hands out the input buffer byte by byte and refills it
// from the read callback.  A count of 0 is the end; the position then stays,
// so the next request asks the callback again.
struct BlockSource {
    int ReadByte() {
        if (g.inputPosition < g.inputCount) return g.input[g.inputPosition++];
        const std::int32_t count = g.read(g.input);
        // A callback that claims more than the buffer holds (or a negative
        // count) must not make the codec read outside it.
        g.inputCount = count <= 0 ? 0u : (count > kLZHBlockSize ? kBlock : static_cast<std::uint32_t>(count));
        if (g.inputCount == 0) return lzh::kEndOfInput;
        g.inputPosition = 1;
        return g.input[0];
    }
    // Bulk access to what the buffer already holds; never refills it, so the
    // read callback is called at the same points as byte by byte.
    std::size_t Available() const { return g.inputPosition < g.inputCount ? g.inputCount - g.inputPosition : 0; }
    const std::uint8_t* Data() const { return g.input + g.inputPosition; }
    void Advance(std::size_t n) { g.inputPosition += static_cast<std::uint32_t>(n); }
};

// The block sink: fills the output buffer and hands it on each time it is full.
struct BlockSink {
    void WriteByte(std::uint8_t b) {
        g.output[g.outputCount++] = b;
        if (g.outputCount == kBlock) Hand();
    }
    void WriteBytes(const std::uint8_t* bytes, std::size_t count) {
        while (count > 0) {
            std::size_t room = kBlock - g.outputCount;
            if (room > count) room = count;
            std::memcpy(g.output + g.outputCount, bytes, room);
            g.outputCount += static_cast<std::uint32_t>(room);
            bytes += room;
            count -= room;
            if (g.outputCount == kBlock) Hand();
        }
    }
    void FlushOutput() { g.write(g.output, static_cast<std::int32_t>(g.outputCount)); }
    std::size_t Room() const { return kBlock - g.outputCount; }
    std::size_t Filled() const { return g.outputCount; }
    std::uint8_t* Cursor() const { return g.output + g.outputCount; }
    void Commit(std::size_t n) {
        g.outputCount += static_cast<std::uint32_t>(n);
        if (g.outputCount == kBlock) Hand();
    }

private:
    static void Hand() {
        g.write(g.output, kLZHBlockSize);
        g.outputCount = 0;
    }
};

// The blocks hold the plain text of the file just worked on: it must not stay
// readable in freed memory.  Stores through a volatile pointer are not
// dropped even though the memory is released right after them.
void Wipe(void* block, std::size_t size) noexcept {
    volatile std::uint8_t* p = static_cast<volatile std::uint8_t*>(block);
    for (std::size_t i = 0; i < size; ++i) p[i] = 0;
}

void WipeAndRelease(void* block, std::size_t size) noexcept {
    if (block == nullptr) return;
    Wipe(block, size);
    g.release(block);
}

void ReleaseAll() noexcept {
    WipeAndRelease(g.input, kBlock);
    WipeAndRelease(g.output, kBlock);
    WipeAndRelease(g.work, sizeof(lzh::WorkArea));
    g.input = nullptr;
    g.output = nullptr;
    g.work = nullptr;
    g.prepared = false;
}

bool StartRun(LZHReadProc read, LZHWriteProc write) noexcept {
    if (!g.prepared) return false;
    g.inputPosition = kBlock;
    g.inputCount = kBlock;
    g.outputCount = 0;
    g.read = read;
    g.write = write;
    return true;
}

}  // namespace

bool LZHInit() noexcept {
    if (g.prepared) return true;
    g.prepared = true;
    g.input = static_cast<std::uint8_t*>(g.allocate(kBlock));
    if (g.input != nullptr) g.output = static_cast<std::uint8_t*>(g.allocate(kBlock));
    if (g.output != nullptr) g.work = static_cast<lzh::WorkArea*>(g.allocate(sizeof(lzh::WorkArea)));
    if (g.work == nullptr) {
        ReleaseAll();
        return false;
    }
    return true;
}

void LZHEncode(LZHReadProc read, LZHWriteProc write) {
    if (!StartRun(read, write)) return;
    BlockSource in;
    BlockSink out;
    lzh::CompressRun(*g.work, in, out);
}

void LZHDecode(LZHReadProc read, LZHWriteProc write) {
    if (!StartRun(read, write)) return;
    BlockSource in;
    BlockSink out;
    lzh::ExpandRun(*g.work, in, out);
}

void LZHDone() noexcept { ReleaseAll(); }

namespace lzh::testing {

void SetAllocator(AllocateFn allocate, ReleaseFn release) noexcept {
    g.allocate = allocate != nullptr ? allocate : DefaultAllocate;
    g.release = release != nullptr ? release : DefaultRelease;
}

bool IsPrepared() noexcept { return g.prepared; }

}  // namespace lzh::testing
