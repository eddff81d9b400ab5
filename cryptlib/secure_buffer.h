// Memory for keys and data that is wiped before it goes back to the heap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace cipher {

namespace testing {
// Bytes allocated and bytes wiped on release by SecureAllocator, so tests can
// tell that every secret buffer was wiped on every path.
std::uint64_t SecureBytesAllocated() noexcept;
std::uint64_t SecureBytesWiped() noexcept;
}  // namespace testing

void WipeAndFree(void* block, std::size_t bytes) noexcept;
void* AllocateSecure(std::size_t bytes);

template <class T>
struct SecureAllocator {
    using value_type = T;
    SecureAllocator() noexcept = default;
    template <class U>
    SecureAllocator(const SecureAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return static_cast<T*>(AllocateSecure(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { WipeAndFree(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const SecureAllocator<U>&) const noexcept {
        return true;
    }
};

template <class T>
using SecureVector = std::vector<T, SecureAllocator<T>>;

}  // namespace cipher
