// Memory that held a password, a key or the plain text of a file is wiped
// before it is given back: freed memory stays readable to whatever gets it
// next, and to anyone who reads a crash dump or a swap file.
#pragma once

#include <cstddef>
#include <string>

namespace rt {

// Overwrites memory in a way the compiler may not drop, even when the memory
// is freed right afterwards.  The one routine every wipe goes through.
void SecureZero(void* data, std::size_t size) noexcept;

// Appends to a string that holds a secret without leaving a copy of it in
// freed memory when the string grows.
template <class Char>
void AppendSecret(std::basic_string<Char>& line, Char c) {
    if (line.size() == line.capacity()) {
        std::basic_string<Char> larger;
        larger.reserve(line.capacity() * 2);
        larger.assign(line);
        SecureZero(line.data(), line.size() * sizeof(Char));
        line.swap(larger);
    }
    line.push_back(c);
}

// A string that is wiped when it goes.
struct Secret {
    std::string text;
    Secret() = default;
    explicit Secret(std::string value) noexcept : text(std::move(value)) {}
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    ~Secret() { SecureZero(text.data(), text.size()); }
};

}  // namespace rt
