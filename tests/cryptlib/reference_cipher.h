// The file format written the plain way: every draw one at a time, the mask
// byte by byte, the exchanges from a table.  The component's kernels take
// shortcuts for speed; agreeing with this over many inputs is what shows the
// shortcuts change no byte.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace reference {

using Bytes = std::vector<std::uint8_t>;

struct Generator {
    std::uint32_t state = 0;
    std::uint32_t Below(std::uint32_t range) {
        state = state * 134775813u + 1u;
        return static_cast<std::uint32_t>((static_cast<std::uint64_t>(range) * state) >> 32);
    }
};

struct Cipher {
    Generator g;
    std::uint32_t seedKey = 0, runKey = 0, stepKey = 0;
    std::uint32_t mult = 0, add = 0;
    std::uint32_t nonce = 0;
    Bytes keyBlock;

    static std::uint32_t Word(const std::string& password, std::size_t first) {
        std::uint32_t w = 0;
        for (std::size_t i = 0; i < 4; ++i)
            if (first + i < password.size())
                w |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(password[first + i])) << (8 * i);
        return w;
    }

    Cipher(const std::string& password, std::int32_t multKey, std::int32_t addKey, std::uint32_t clockMs)
        : mult(static_cast<std::uint32_t>(multKey)), add(static_cast<std::uint32_t>(addKey)) {
        seedKey = Word(password, 0);
        runKey = Word(password, 4);
        stepKey = Word(password, 8);
        g.state = clockMs;
        nonce = g.Below(0xFFFFFFFEu);
        keyBlock.resize(16);
        g.state = seedKey;
        for (int i = 0; i < 4; ++i) keyBlock[i] = static_cast<std::uint8_t>(g.Below(255));
        g.state = runKey;
        for (int i = 4; i < 8; ++i) keyBlock[i] = static_cast<std::uint8_t>(g.Below(255));
        g.state = stepKey;
        for (int i = 8; i < 16; ++i) keyBlock[i] = static_cast<std::uint8_t>(g.Below(255));
        g.state = seedKey;
    }

    std::uint8_t Mask() const {
        return static_cast<std::uint8_t>((runKey & 0xFF) ^ ((runKey >> 8) & 0xFF) ^ ((runKey >> 16) & 0xFF) ^
                                         (runKey >> 24));
    }
    void Step(std::uint8_t c) { runKey = (c + runKey + stepKey) * mult + add; }

    void Encipher(std::uint8_t* b, std::uint32_t n) {
        std::vector<std::uint32_t> partner(n);
        for (auto& p : partner) p = g.Below(n - 1);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint8_t m = Mask();
            const std::uint8_t r = static_cast<std::uint8_t>(g.Below(255));
            b[i] = static_cast<std::uint8_t>(b[i] ^ m ^ r);
            Step(b[i]);
        }
        for (std::uint32_t i = 0; i < n; ++i) std::swap(b[i], b[partner[i]]);
    }

    void Decipher(std::uint8_t* b, std::uint32_t n) {
        std::vector<std::uint32_t> partner(n);
        for (auto& p : partner) p = g.Below(n - 1);
        for (std::uint32_t i = n; i-- > 0;) std::swap(b[i], b[partner[i]]);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint8_t c = b[i];
            const std::uint8_t m = Mask();
            const std::uint8_t r = static_cast<std::uint8_t>(g.Below(255));
            b[i] = static_cast<std::uint8_t>(c ^ m ^ r);
            Step(c);
        }
    }

    static std::uint32_t Crc(const Bytes& data) {
        std::uint32_t crc = 0;
        for (std::uint8_t byte : data) {
            crc ^= byte;
            for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ ((crc & 1) ? 0xEDB88320u : 0u);
        }
        return crc;
    }

    std::uint32_t KeyCheck() {
        Encipher(keyBlock.data(), 16);
        return Crc(keyBlock);
    }
};

// The whole enciphered file for a payload (the source, or its LZH stream).
inline Bytes EncipherFile(const Bytes& payload, const std::string& password, std::int32_t multKey,
                          std::int32_t addKey, std::uint32_t clockMs) {
    Cipher c(password, multKey, addKey, clockMs);
    const std::uint32_t check = c.KeyCheck() ^ c.nonce ^ static_cast<std::uint32_t>(payload.size());
    Bytes out(8);
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>(check >> (8 * i));
        out[4 + i] = static_cast<std::uint8_t>(c.nonce >> (8 * i));
    }
    c.Encipher(out.data(), 8);
    for (std::size_t at = 0; at < payload.size(); at += 32768) {
        Bytes block(payload.begin() + static_cast<std::ptrdiff_t>(at),
                    payload.begin() + static_cast<std::ptrdiff_t>(std::min(payload.size(), at + 32768)));
        c.Encipher(block.data(), static_cast<std::uint32_t>(block.size()));
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

}  // namespace reference
