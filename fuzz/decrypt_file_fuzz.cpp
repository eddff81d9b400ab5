// Whole files into DecryptFile.  The first byte chooses the road:
//   bit 0  Compression on while decrypting
//   bit 1  the rest is a payload, enciphered first with the right password,
//          so the file passes the check and its payload reaches the expander;
//          otherwise the rest is taken as an enciphered file as it stands
//   bit 2  decrypt in place
// Nothing may crash, and a file that passes must decrypt to its payload.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "cryptlib/cryptlib.h"
#include "cryptlib/program_keys.h"
#include "lzh/lzh.h"
#include "runtime/clock.h"
#include "runtime/exceptions.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// A folder of the process's own, in memory where there is /dev/shm, removed
// when the process ends.
struct WorkFolder {
    fs::path path;
    WorkFolder() {
        const fs::path shm = "/dev/shm";
        std::random_device rd;
        path = (fs::exists(shm) ? shm : fs::temp_directory_path()) / ("tessavel-fuzz-" + std::to_string(rd()));
        fs::create_directories(path);
    }
    ~WorkFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

const fs::path& Folder() {
    static const WorkFolder folder;
    return folder.path;
}

void Write(const fs::path& name, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

Bytes Read(const fs::path& name) {
    std::ifstream in(name, std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t mode = data[0];
    const fs::path source = Folder() / "source", target = Folder() / "target";
    const fs::path& output = (mode & 4) ? source : target;
    Write(source, data + 1, size - 1);
    fs::remove(target);

    rt::testing::SetClock(1000 + mode);
    TCryptLib crypto;
    crypto.SetAddKey(tessavel::kAddKey);
    crypto.SetMultKey(tessavel::kMultKey);
    crypto.SetPassword("marigold");
    bool bad = false;
    crypto.SetOnBadPassword([&bad](TCryptLib&) { bad = true; });
    if (mode & 2) {
        crypto.SetCompression(false);
        crypto.SetInfile(source.string());
        crypto.SetOutfile(source.string());
        crypto.EncryptFile();
    }
    crypto.SetCompression(mode & 1);
    crypto.SetInfile(source.string());
    crypto.SetOutfile(output.string());
    try {
        crypto.DecryptFile();
    } catch (const rt::Exception&) {
        __builtin_trap();  // no file error is possible here
    }
    if ((mode & 2) && bad) __builtin_trap();
    if ((mode & 2) && !(mode & 1) && Read(output) != Bytes(data + 1, data + size)) __builtin_trap();
    if (!crypto.SecretsWiped()) __builtin_trap();
    for (const char* work : {"___.~--", "___.~~-"})
        if (fs::exists(Folder() / work)) __builtin_trap();
    return 0;
}
