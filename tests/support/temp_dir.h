// A fresh folder per test, removed afterwards, with helpers to read, write
// and list files in it.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>

#include "support/test_data.h"

namespace testsupport {

namespace fs = std::filesystem;
using testdata::Bytes;

// UTF-8 names to paths and back (std::filesystem's own char paths follow the
// system code page on Windows).
inline fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }
inline std::string NameOf(const fs::path& path) {
    const std::u8string u = path.u8string();
    return std::string(u.begin(), u.end());
}

class TempDir {
public:
    TempDir() {
        static std::atomic<unsigned> counter{0};
        std::random_device rd;
        path_ = fs::temp_directory_path() /
                ("tessavel-test-" + std::to_string(rd()) + "-" + std::to_string(counter++));
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return path_; }
    // A name in the folder as the core takes it: UTF-8.
    std::string operator/(const std::string& name) const { return NameOf(path_ / PathOf(name)); }

private:
    fs::path path_;
};

inline Bytes ReadFile(const std::string& utf8Name) {
    std::ifstream in(PathOf(utf8Name), std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(in), {}};
}

inline void WriteFile(const std::string& utf8Name, const Bytes& data) {
    std::ofstream out(PathOf(utf8Name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// Every file of a folder (not recursing) with its contents.
inline std::map<std::string, Bytes> Snapshot(const fs::path& folder) {
    std::map<std::string, Bytes> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[NameOf(entry.path().filename())] =
            entry.is_regular_file() ? ReadFile(NameOf(entry.path())) : testdata::FromString("<not a file>");
    return files;
}

}  // namespace testsupport
