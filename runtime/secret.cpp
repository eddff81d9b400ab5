#include "runtime/secret.h"

namespace rt {

void SecureZero(void* data, std::size_t size) noexcept {
    // Stores through a volatile pointer are observable behaviour, so they
    // survive even when the memory is freed right afterwards.
    volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) p[i] = 0;
}

}  // namespace rt
