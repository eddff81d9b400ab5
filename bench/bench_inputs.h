// The inputs the benchmarks measure: text, an ELF binary, random bytes and
// zeros, each about 8 MiB, read once per process.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace benchinputs {

using Bytes = std::vector<std::uint8_t>;
inline constexpr std::size_t kSize = 8u << 20;

inline void Append(Bytes& out, const std::filesystem::path& file, std::size_t limit) {
    std::ifstream in(file, std::ios::binary);
    Bytes data{std::istreambuf_iterator<char>(in), {}};
    if (data.size() > limit - out.size()) data.resize(limit - out.size());
    out.insert(out.end(), data.begin(), data.end());
}

// Licence texts and package copyright notes: real prose, not a repeated file.
inline const Bytes& Text() {
    static const Bytes text = [] {
        Bytes out;
        std::error_code ec;
        for (const char* dir : {"/usr/share/common-licenses", "/usr/share/doc"}) {
            for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
                 it != std::filesystem::recursive_directory_iterator() && out.size() < kSize; it.increment(ec)) {
                const auto name = it->path().filename().string();
                if (it->is_regular_file(ec) && (name == "copyright" || std::string(dir).ends_with("licenses")))
                    Append(out, it->path(), kSize);
            }
        }
        return out;
    }();
    return text;
}

inline const Bytes& Elf() {
    static const Bytes elf = [] {
        Bytes out;
        for (const char* file : {"/usr/bin/cmake", "/usr/bin/gdb", "/usr/lib/x86_64-linux-gnu/libstdc++.so.6"})
            if (out.size() < kSize && std::filesystem::exists(file)) Append(out, file, kSize);
        return out;
    }();
    return elf;
}

inline const Bytes& Random() {
    static const Bytes random = [] {
        Bytes out(kSize);
        std::uint64_t x = 88172645463325252ULL;
        for (auto& b : out) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            b = static_cast<std::uint8_t>(x >> 24);
        }
        return out;
    }();
    return random;
}

inline const Bytes& Zeros() {
    static const Bytes zeros(kSize, 0);
    return zeros;
}

}  // namespace benchinputs
