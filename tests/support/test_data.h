// Inputs shared by the test suites: deterministic text, binary and random data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testdata {

using Bytes = std::vector<std::uint8_t>;

// xorshift64*: reproducible on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 1) {}
    std::uint64_t Next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1DULL;
    }
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }

private:
    std::uint64_t state_;
};

inline Bytes RandomBytes(std::size_t n, std::uint64_t seed) {
    Random rng(seed);
    Bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng.Next() >> 56);
    return out;
}

// Words drawn from a small vocabulary: compressible like prose.
inline Bytes Text(std::size_t n, std::uint64_t seed) {
    static const char* const kWords[] = {"the ", "file ", "password ", "window ", "cipher ", "block ",
                                         "and ", "of ", "is ", "a ", "to ", "in ", "key ", "stream ",
                                         "compression ", "data\n", "Tessavel ", "every ", "byte, ", "one. "};
    Random rng(seed);
    Bytes out;
    out.reserve(n + 16);
    while (out.size() < n) {
        const std::string w = kWords[rng.Below(sizeof kWords / sizeof kWords[0])];
        out.insert(out.end(), w.begin(), w.end());
    }
    out.resize(n);
    return out;
}

// Machine-code-like bytes: short repeated patterns with noise.
inline Bytes Binary(std::size_t n, std::uint64_t seed) {
    Random rng(seed);
    Bytes out;
    out.reserve(n);
    while (out.size() < n) {
        switch (rng.Below(4)) {
        case 0:
            for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(rng.Next() >> 56));
            break;
        case 1:
            out.insert(out.end(), {0x48, 0x89, 0xE5, 0x48, 0x83, 0xEC, 0x20});
            break;
        case 2:
            out.insert(out.end(), rng.Below(24), 0x00);
            break;
        default:
            if (out.size() > 64) {
                const std::size_t from = out.size() - 1 - rng.Below(64);
                const std::size_t len = 3 + rng.Below(20);
                for (std::size_t i = 0; i < len; ++i) {
                    const std::uint8_t b = out[from + i];
                    out.push_back(b);
                }
            }
        }
    }
    out.resize(n);
    return out;
}

inline std::uint32_t Crc32(const Bytes& data) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t b : data) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline Bytes FromString(const std::string& s) { return Bytes(s.begin(), s.end()); }

}  // namespace testdata
