#include "runtime/secret.h"

#include <cstring>

namespace rt {

void SecureZero(void* data, std::size_t size) noexcept {
    if (size == 0) return;
#if defined(__GNUC__)
    // An ordinary fill (fast on the codec's megabytes), then a barrier that
    // tells the compiler the memory is read afterwards, so the fill is not
    // dropped even when the memory is freed right after it.
    std::memset(data, 0, size);
    __asm__ __volatile__("" : : "r"(data) : "memory");
#else
    // Stores through a volatile pointer are observable behaviour.
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) p[i] = 0;
#endif
}

}  // namespace rt
