#include <new>

#include "lzh/block_io.h"
#include "lzh/codec.h"
#include "runtime/secret.h"

namespace lzh {
namespace {

void* DefaultAllocate(std::size_t size) { return ::operator new(size, std::nothrow); }
void DefaultRelease(void* block) { ::operator delete(block); }

// A test seam, not state of the codec: every object takes its blocks here.
testing::AllocateFn gAllocate = DefaultAllocate;
testing::ReleaseFn gRelease = DefaultRelease;

}  // namespace

namespace detail {

bool Blocks::Take() noexcept {
    if (held_) return true;
    release_ = gRelease;
    for (int i = 0; i < 3; ++i) {
        blocks_[i] = static_cast<std::uint8_t*>(gAllocate(sizes_[i]));
        if (blocks_[i] == nullptr) {
            Release();
            return false;
        }
    }
    held_ = true;
    return true;
}

// The blocks hold the plain text of the file just worked on, and what was
// learnt from it: none of it may stay readable in freed memory.
void Blocks::Release() noexcept {
    for (int i = 0; i < 3; ++i) {
        if (blocks_[i] == nullptr) continue;
        rt::SecureZero(blocks_[i], sizes_[i]);
        release_(blocks_[i]);
        blocks_[i] = nullptr;
    }
    held_ = false;
}

}  // namespace detail

namespace testing {

void SetAllocator(AllocateFn allocate, ReleaseFn release) noexcept {
    gAllocate = allocate != nullptr ? allocate : DefaultAllocate;
    gRelease = release != nullptr ? release : DefaultRelease;
}

}  // namespace testing

}  // namespace lzh
