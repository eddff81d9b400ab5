// lzh-tool: runs one file through the LZH module, for looking at the stream
// format by hand and for the benchmark scripts.
//   lzh-tool encode SOURCE DEST
//   lzh-tool decode SOURCE DEST
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

#include "lzh.h"

namespace {

// The callbacks carry no context, so the open files live here.
std::FILE* gSource = nullptr;
std::FILE* gTarget = nullptr;

std::int32_t ReadSource(std::uint8_t* buffer) {
    const std::size_t n = std::fread(buffer, 1, static_cast<std::size_t>(kLZHBlockSize), gSource);
    if (n == 0 && std::ferror(gSource)) throw std::runtime_error(std::string("read failed: ") + std::strerror(errno));
    return static_cast<std::int32_t>(n);
}

std::int32_t WriteTarget(std::uint8_t* buffer, std::int32_t count) {
    const auto n = static_cast<std::size_t>(count);
    if (std::fwrite(buffer, 1, n, gTarget) != n)
        throw std::runtime_error(std::string("write failed: ") + std::strerror(errno));
    return count;
}

int Usage() {
    std::fputs("usage: lzh-tool encode|decode SOURCE DEST\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return Usage();
    const std::string mode = argv[1];
    if (mode != "encode" && mode != "decode") return Usage();

    gSource = std::fopen(argv[2], "rb");
    if (gSource == nullptr) {
        std::fprintf(stderr, "lzh-tool: cannot open %s: %s\n", argv[2], std::strerror(errno));
        return 1;
    }
    gTarget = std::fopen(argv[3], "wb");
    if (gTarget == nullptr) {
        std::fprintf(stderr, "lzh-tool: cannot create %s: %s\n", argv[3], std::strerror(errno));
        std::fclose(gSource);
        return 1;
    }
    int status = 0;
    if (!LZHInit()) {
        std::fputs("lzh-tool: out of memory\n", stderr);
        status = 1;
    } else {
        try {
            if (mode == "encode")
                LZHEncode(ReadSource, WriteTarget);
            else
                LZHDecode(ReadSource, WriteTarget);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "lzh-tool: %s\n", e.what());
            status = 1;
        }
        LZHDone();
    }
    std::fclose(gSource);
    if (std::fclose(gTarget) != 0 && status == 0) {
        std::fprintf(stderr, "lzh-tool: cannot finish %s: %s\n", argv[3], std::strerror(errno));
        status = 1;
    }
    return status;
}
