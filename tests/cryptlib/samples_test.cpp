// Files made by an earlier build, kept as they were made: every build must
// open them, and must make them again byte for byte from the same source,
// password and clock.  A change to the format, the cipher or the compressor's
// output that both sides of the other tests would share fails here.
// The files and the sources below are frozen: never make them anew.
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "cryptlib/cryptlib.h"
#include "cryptlib/program_keys.h"
#include "runtime/clock.h"
#include "tests/support/files.h"

namespace {

using testdata::Bytes;
using testfiles::ReadFile;
using testfiles::WriteFile;

enum class Kind { Text, Binary, Noise };

// The samples' sources, made here rather than by the shared test data so
// that nothing else can change them.
Bytes Source(Kind kind, std::size_t size) {
    std::uint32_t x = 2463534242u;  // xorshift32
    const auto next = [&x] {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
    };
    static const char* const kWords[] = {"file ", "password ", "block ", "key ", "and ", "the ", "of ",
                                         "window ", "stream ", "data.\n", "\xF4\xE0\xE9\xEB ", "\xEA\xEB\xFE\xF7 "};
    Bytes out;
    while (out.size() < size) {
        const std::uint32_t r = next();
        switch (kind) {
        case Kind::Text: {
            const std::string word = kWords[r % 12];
            out.insert(out.end(), word.begin(), word.end());
            break;
        }
        case Kind::Binary:  // records: a counter, a tag, a little noise
            for (std::uint32_t v : {static_cast<std::uint32_t>(out.size()), 0x00C0FFEEu, r & 0x0F0F}) {
                for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
            }
            break;
        case Kind::Noise:
            out.push_back(static_cast<std::uint8_t>(r >> 24));
            break;
        }
    }
    out.resize(size);
    return out;
}

// "ЁжикСекрет№1" in Windows-1251: twelve characters, as the password field
// hands them to the cipher.
const std::string kCyrillic = "\xA8\xE6\xE8\xEA\xD1\xE5\xEA\xF0\xE5\xF2\xB9\x31";

struct Sample {
    const char* file;
    Kind kind;
    std::size_t size;
    bool compression;
    bool cyrillic;  // else the empty password
    std::int64_t clock;
};

const Sample kSamples[] = {
    {"0-text-lzh-empty.tsv", Kind::Text, 0, true, false, 1},
    {"0-text-plain-cyrillic.tsv", Kind::Text, 0, false, true, 2},
    {"1-text-plain-empty.tsv", Kind::Text, 1, false, false, 3},
    {"1-binary-lzh-cyrillic.tsv", Kind::Binary, 1, true, true, 4},
    {"32768-noise-plain-cyrillic.tsv", Kind::Noise, 32768, false, true, 45296789},
    {"32768-binary-lzh-empty.tsv", Kind::Binary, 32768, true, false, 45296790},
    {"32769-binary-plain-empty.tsv", Kind::Binary, 32769, false, false, 86399998},
    {"32769-text-lzh-cyrillic.tsv", Kind::Text, 32769, true, true, 86399999},
    {"300000-text-lzh-cyrillic.tsv", Kind::Text, 300000, true, true, 12345678},
    {"270001-binary-lzh-empty.tsv", Kind::Binary, 270001, true, false, 23456789},
};

class FrozenSamples : public ::testing::Test {
protected:
    void SetUp() override {
        crypto.SetAddKey(tessavel::kAddKey);
        crypto.SetMultKey(tessavel::kMultKey);
        crypto.SetOnBadPassword([this](TCryptLib&) { ++badPasswords; });
    }
    void TearDown() override { rt::testing::SetClock(-1); }

    void Run(const Sample& sample, bool encrypt, const std::string& from, const std::string& to) {
        crypto.SetCompression(sample.compression);
        crypto.SetInfile(from);
        crypto.SetOutfile(to);
        crypto.SetPassword(sample.cyrillic ? kCyrillic : "");
        encrypt ? crypto.EncryptFile() : crypto.DecryptFile();
    }

    static std::string Frozen(const Sample& sample) { return std::string(TESSAVEL_SAMPLES "/") + sample.file; }

    testfiles::TempFolder dir;
    TCryptLib crypto;
    int badPasswords = 0;
};

TEST_F(FrozenSamples, OpenToTheirSources) {
    for (const Sample& sample : kSamples) {
        SCOPED_TRACE(sample.file);
        const Bytes frozen = ReadFile(Frozen(sample));
        ASSERT_EQ(frozen.empty(), false) << "missing";
        WriteFile(dir / "sample", frozen);  // opened for writing too: not in the source tree
        Run(sample, false, dir / "sample", dir / "back");
        EXPECT_EQ(badPasswords, 0);
        EXPECT_EQ(ReadFile(dir / "back"), Source(sample.kind, sample.size));
    }
}

TEST_F(FrozenSamples, AreMadeAgainByteForByte) {
    for (const Sample& sample : kSamples) {
        SCOPED_TRACE(sample.file);
        WriteFile(dir / "source", Source(sample.kind, sample.size));
        rt::testing::SetClock(sample.clock);
        Run(sample, true, dir / "source", dir / "made");
        EXPECT_EQ(ReadFile(dir / "made"), ReadFile(Frozen(sample)));
    }
}

}  // namespace
