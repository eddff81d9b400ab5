// Damaged enciphered files fed to DecryptFile with the right password: cut
// short, with a header bit flipped, or with bytes of the body changed.  The
// format carries no checksum of the body, so what a decryption can promise
// is this: no crash, no hang, no exception; damage that reaches the header
// or the length always takes the bad-password road, which creates nothing;
// body damage gives wrong bytes (or, rarely with compression, bits the
// stream does not use, and so the right ones) and leaves no work file.
//
// The quick test suite runs a sample of each kind; tools/hostile-files runs
// every truncation, every header bit and 10,000 body corruptions.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "cryptlib/cryptlib.h"
#include "cryptlib/program_keys.h"
#include "runtime/clock.h"
#include "runtime/exceptions.h"
#include "tests/lzh/lzh_memory.h"
#include "tests/support/files.h"

namespace hostile {

using testdata::Bytes;

struct Counts {
    std::uint64_t truncations = 0;
    std::uint64_t truncationsRefused = 0;  // took the bad-password road
    std::uint64_t headerFlips = 0;
    std::uint64_t headerFlipsRefused = 0;
    std::uint64_t bodyCorruptions = 0;
    std::uint64_t bodyWrong = 0;      // decrypted, to other bytes than the original
    std::uint64_t bodyOriginal = 0;   // decrypted to the original: the damage hit unused bits
    std::uint64_t failures = 0;       // anything else
    double slowestMs = 0;             // the longest single decryption
    std::vector<std::string> firstFailures;
};

// The stored password and key constants; the clock is fixed, so every run
// makes the same files.
inline constexpr const char* kPassword = "marigold";
using tessavel::kAddKey;
using tessavel::kMultKey;

// The plain text whose enciphered file is `fileSize` bytes long (8 bytes of
// header and the payload): with compression, the shortest mixed binary data
// whose LZH stream is that long, or failing an exact length the longest that
// fits.
inline Bytes PlainFor(bool compression, std::size_t fileSize) {
    const std::size_t payload = fileSize - 8;
    if (!compression) return testdata::Binary(payload, 11);
    const Bytes pool = testdata::Binary(payload * 4, 11);
    const auto compressedSize = [&](std::size_t n) {
        return lzhtest::Compress(Bytes(pool.begin(), pool.begin() + static_cast<std::ptrdiff_t>(n))).size();
    };
    std::size_t low = 0, high = pool.size();  // compressedSize(low) <= payload < compressedSize(high)
    while (high - low > 1) {
        const std::size_t mid = low + (high - low) / 2;
        (compressedSize(mid) <= payload ? low : high) = mid;
    }
    // The size grows in steps of a byte or two: look back for an exact hit.
    for (std::size_t n = low; n + 64 > low && n > 0; --n) {
        if (compressedSize(n) == payload) return Bytes(pool.begin(), pool.begin() + static_cast<std::ptrdiff_t>(n));
    }
    return Bytes(pool.begin(), pool.begin() + static_cast<std::ptrdiff_t>(low));
}

class Runner {
public:
    // Enciphers `plain` into the folder once; every trial damages a copy.
    Runner(const testfiles::TempFolder& folder, bool compression, Bytes plain)
        : folder_(folder), compression_(compression), plain_(std::move(plain)) {
        rt::testing::SetClock(43210);
        crypto_.SetAddKey(kAddKey);
        crypto_.SetMultKey(kMultKey);
        crypto_.SetCompression(compression_);
        crypto_.SetOnBadPassword([this](TCryptLib&) { ++badPasswords_; });
        testfiles::WriteFile(folder_ / "plain", plain_);
        crypto_.SetInfile(folder_ / "plain");
        crypto_.SetOutfile(folder_ / "secret");
        crypto_.SetPassword(kPassword);
        crypto_.EncryptFile();
        secret_ = testfiles::ReadFile(folder_ / "secret");
        std::filesystem::remove(testfiles::PathOf(folder_ / "plain"));
    }
    ~Runner() { rt::testing::SetClock(-1); }

    const Bytes& secret() const { return secret_; }
    const Counts& counts() const { return counts_; }

    // The file cut to each of `lengths` bytes (each below its full length).
    void Truncations(const std::vector<std::size_t>& lengths) {
        for (std::size_t length : lengths) {
            ++counts_.truncations;
            const Bytes damaged(secret_.begin(), secret_.begin() + static_cast<std::ptrdiff_t>(length));
            if (Decrypt(damaged, "truncated to " + std::to_string(length)) == Outcome::Refused)
                ++counts_.truncationsRefused;
        }
    }

    // Each of the 64 bits of the header flipped in turn.
    void HeaderFlips() {
        for (int bit = 0; bit < 64; ++bit) {
            ++counts_.headerFlips;
            Bytes damaged = secret_;
            damaged[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
            if (Decrypt(damaged, "header bit " + std::to_string(bit)) == Outcome::Refused)
                ++counts_.headerFlipsRefused;
        }
    }

    // `count` random changes of the body, the length kept: single bits,
    // single bytes, runs of bytes and scattered bits.
    void BodyCorruptions(int count, std::uint64_t seed) {
        testdata::Random rng(seed);
        const std::uint32_t body = static_cast<std::uint32_t>(secret_.size() - 8);
        for (int trial = 0; trial < count; ++trial) {
            ++counts_.bodyCorruptions;
            Bytes damaged = secret_;
            const auto at = [&] { return 8 + rng.Below(body); };
            const std::uint32_t kind = rng.Below(4);
            if (kind == 0) {
                damaged[at()] ^= static_cast<std::uint8_t>(1u << rng.Below(8));
            } else if (kind == 1) {
                damaged[at()] ^= static_cast<std::uint8_t>(1 + rng.Below(255));
            } else if (kind == 2) {
                const std::uint32_t from = at();
                const std::uint32_t length = std::min<std::uint32_t>(1 + rng.Below(64), 8 + body - from);
                for (std::uint32_t i = 0; i < length; ++i) damaged[from + i] = static_cast<std::uint8_t>(rng.Next());
            } else {
                for (std::uint32_t i = 0, n = 2 + rng.Below(15); i < n; ++i)
                    damaged[at()] ^= static_cast<std::uint8_t>(1u << rng.Below(8));
            }
            if (damaged == secret_) damaged[8] ^= 1;  // a run of random bytes may repeat what stood there
            switch (Decrypt(damaged, "body trial " + std::to_string(trial))) {
            case Outcome::Wrong: ++counts_.bodyWrong; break;
            case Outcome::Original: ++counts_.bodyOriginal; break;
            default: Fail("body trial " + std::to_string(trial) + ": the password was refused");
            }
        }
    }

private:
    enum class Outcome { Refused, Wrong, Original, Failed };

    Outcome Decrypt(const Bytes& damaged, const std::string& what) {
        const std::string source = folder_ / "damaged";
        const std::string target = folder_ / "out";
        testfiles::WriteFile(source, damaged);
        badPasswords_ = 0;
        crypto_.SetInfile(source);
        crypto_.SetOutfile(target);
        crypto_.SetPassword(kPassword);
        const auto start = std::chrono::steady_clock::now();
        try {
            crypto_.DecryptFile();
        } catch (const rt::Exception& e) {
            return Fail(what + ": " + e.Message());
        }
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        counts_.slowestMs = std::max(counts_.slowestMs, took.count());

        if (!crypto_.SecretsWiped()) return Fail(what + ": secrets left in memory");
        if (testfiles::ReadFile(source) != damaged) return Fail(what + ": the source changed");
        // The folder holds the intact file, the damaged one, and the output
        // exactly when the password was taken.
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_.path()))
            names.push_back(testfiles::NameOf(entry.path().filename()));
        std::sort(names.begin(), names.end());
        const std::vector<std::string> expected =
            badPasswords_ ? std::vector<std::string>{"damaged", "secret"}
                          : std::vector<std::string>{"damaged", "out", "secret"};
        if (names != expected) return Fail(what + ": the folder holds other files than expected");
        if (badPasswords_ != 0) return Outcome::Refused;
        const bool original = testfiles::ReadFile(target) == plain_;
        std::filesystem::remove(testfiles::PathOf(target));
        return original ? Outcome::Original : Outcome::Wrong;
    }

    Outcome Fail(const std::string& what) {
        ++counts_.failures;
        if (counts_.firstFailures.size() < 10) counts_.firstFailures.push_back(what);
        std::error_code ignored;
        std::filesystem::remove(testfiles::PathOf(folder_ / "out"), ignored);
        return Outcome::Failed;
    }

    const testfiles::TempFolder& folder_;
    bool compression_;
    Bytes plain_;
    Bytes secret_;
    TCryptLib crypto_;
    int badPasswords_ = 0;
    Counts counts_;
};

}  // namespace hostile
