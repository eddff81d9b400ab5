// lzh-tool: runs one file through the LZH codec, for looking at the stream
// format by hand and for the benchmark scripts.
//   lzh-tool [--threads N] encode SOURCE DEST
//   lzh-tool decode SOURCE DEST
//   lzh-tool trees SOURCE       the largest match tree's share of positions,
//                               what threads can gain by the shares block by
//                               block, and the default thread count
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <stdexcept>
#include <string>

#include "lzh/codec.h"
#include "lzh/stage_one.h"

namespace {

class FileSource final : public lzh::Source {
public:
    explicit FileSource(std::FILE* file) noexcept : file_(file) {}
    std::int32_t Read(std::uint8_t* buffer) override {
        const std::size_t n = std::fread(buffer, 1, lzh::kBlockSize, file_);
        if (n == 0 && std::ferror(file_)) throw std::runtime_error(std::string("read failed: ") + std::strerror(errno));
        return static_cast<std::int32_t>(n);
    }

private:
    std::FILE* file_;
};

class FileSink final : public lzh::Sink {
public:
    explicit FileSink(std::FILE* file) noexcept : file_(file) {}
    void Write(const std::uint8_t* data, std::int32_t count) override {
        const auto n = static_cast<std::size_t>(count);
        if (std::fwrite(data, 1, n, file_) != n)
            throw std::runtime_error(std::string("write failed: ") + std::strerror(errno));
    }

private:
    std::FILE* file_;
};

int Usage() {
    std::fputs("usage: lzh-tool [--threads N] encode SOURCE DEST\n"
               "       lzh-tool decode SOURCE DEST\n"
               "       lzh-tool trees SOURCE\n",
               stderr);
    return 2;
}

// Every position goes into the tree of its first byte, so the largest tree's
// share of the positions bounds what more threads can gain; and since the
// encoder shares the trees out block by block, so do the shares in each block.
int Trees(std::FILE* source) {
    constexpr unsigned kCounts[] = {2, 8, 16};
    std::uint64_t count[256] = {};
    std::uint64_t total = 0;
    std::uint64_t heaviest[std::size(kCounts)] = {};
    static std::uint8_t block[lzh::kBlockSize];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, source)) > 0; total += n) {
        std::uint64_t inBlock[256] = {};
        for (std::size_t i = 0; i < n; ++i) ++inBlock[block[i]];
        for (std::size_t t = 0; t < std::size(kCounts); ++t) {
            std::uint8_t owner[256];
            lzh::detail::ShareTrees(inBlock, kCounts[t], owner);
            std::uint64_t load[16] = {};
            for (unsigned b = 0; b < 256; ++b) load[owner[b]] += inBlock[b];
            heaviest[t] += *std::max_element(load, load + kCounts[t]);
        }
        for (unsigned b = 0; b < 256; ++b) count[b] += inBlock[b];
    }
    unsigned largest = 0;
    for (unsigned b = 1; b < 256; ++b)
        if (count[b] > count[largest]) largest = b;
    const double share = total == 0 ? 0.0 : static_cast<double>(count[largest]) / static_cast<double>(total);
    std::printf("largest tree: byte 0x%02X, %.4f of %llu positions; default threads: %u\n", largest, share,
                static_cast<unsigned long long>(total), lzh::DefaultThreads());
    std::printf("block by block, threads can gain at most:");
    for (std::size_t t = 0; t < std::size(kCounts); ++t)
        std::printf(" %.2fx on %u", heaviest[t] == 0 ? 0.0 : static_cast<double>(total) / heaviest[t], kCounts[t]);
    std::printf("\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    unsigned threads = 0;
    int arg = 1;
    if (arg + 1 < argc && std::strcmp(argv[arg], "--threads") == 0) {
        char* end = nullptr;
        const unsigned long n = std::strtoul(argv[arg + 1], &end, 10);
        if (*end != '\0' || n < 1 || n > lzh::kMaxThreads) {
            std::fprintf(stderr, "lzh-tool: --threads takes 1..%u\n", lzh::kMaxThreads);
            return 2;
        }
        threads = static_cast<unsigned>(n);
        arg += 2;
    }
    if (argc - arg < 2) return Usage();
    const std::string mode = argv[arg];
    const bool trees = mode == "trees";
    if (trees ? argc - arg != 2 : (argc - arg != 3 || (mode != "encode" && mode != "decode"))) return Usage();

    std::FILE* source = std::fopen(argv[arg + 1], "rb");
    if (source == nullptr) {
        std::fprintf(stderr, "lzh-tool: cannot open %s: %s\n", argv[arg + 1], std::strerror(errno));
        return 1;
    }
    if (trees) {
        const int status = Trees(source);
        std::fclose(source);
        return status;
    }
    std::FILE* target = std::fopen(argv[arg + 2], "wb");
    if (target == nullptr) {
        std::fprintf(stderr, "lzh-tool: cannot create %s: %s\n", argv[arg + 2], std::strerror(errno));
        std::fclose(source);
        return 1;
    }
    int status = 0;
    FileSource in(source);
    FileSink out(target);
    try {
        if (mode == "encode") {
            lzh::Encoder encoder(threads);
            if (!encoder.Prepare()) throw std::runtime_error("out of memory");
            encoder.Encode(in, out);
        } else {
            lzh::Decoder decoder;
            if (!decoder.Prepare()) throw std::runtime_error("out of memory");
            decoder.Decode(in, out);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lzh-tool: %s\n", e.what());
        status = 1;
    }
    std::fclose(source);
    if (std::fclose(target) != 0 && status == 0) {
        std::fprintf(stderr, "lzh-tool: cannot finish %s: %s\n", argv[arg + 2], std::strerror(errno));
        status = 1;
    }
    return status;
}
