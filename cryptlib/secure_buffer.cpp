#include "cryptlib/secure_buffer.h"

#include "runtime/exceptions.h"
#include "runtime/secret.h"
#include "runtime/text.h"

namespace cipher {
namespace {
std::uint64_t allocated = 0;
std::uint64_t wiped = 0;
}  // namespace

void* AllocateSecure(std::size_t bytes) {
    void* block = ::operator new(bytes, std::nothrow);
    if (block == nullptr) throw rt::EOutOfMemory();
    allocated += bytes;
    return block;
}

void WipeAndFree(void* block, std::size_t bytes) noexcept {
    if (block == nullptr) return;
    rt::SecureZero(block, bytes);
    wiped += bytes;
    ::operator delete(block);
}

namespace testing {
std::uint64_t SecureBytesAllocated() noexcept { return allocated; }
std::uint64_t SecureBytesWiped() noexcept { return wiped; }
}  // namespace testing

}  // namespace cipher
