// The one owner of a Win32 handle in the runtime's Windows backends: closed
// when it goes, so every path gives back what it opened, exceptions too.
#pragma once

#include <cstdint>
#include <utility>

#include <windows.h>

namespace rt::win32 {

class OwnedHandle {
public:
    OwnedHandle() noexcept = default;
    explicit OwnedHandle(HANDLE handle) noexcept : handle_(handle) {}
    OwnedHandle(OwnedHandle&& other) noexcept : handle_(other.release()) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        OwnedHandle taken(std::move(other));
        std::swap(handle_, taken.handle_);
        return *this;
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() {
        if (valid()) CloseHandle(handle_);
    }

    HANDLE get() const noexcept { return handle_; }
    // Both of the system's "no handle" values count as none.
    bool valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    // Hands the handle over to the runtime's File, which keeps it as an integer.
    std::intptr_t release_as_file() noexcept { return reinterpret_cast<std::intptr_t>(release()); }
    HANDLE release() noexcept { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace rt::win32
