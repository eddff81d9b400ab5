// Files for tests: a fresh folder per test, names as the core takes them
// (UTF-8), reading, writing and listing files, and the links and permissions
// that not every system offers.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/test_data.h"

#ifdef _WIN32
#include <windows.h>
// Macros of the system's own file-encryption calls, whose names the cipher's
// operations share.
#undef EncryptFile
#undef DecryptFile
#else
#include <unistd.h>
#endif

namespace testfiles {

namespace fs = std::filesystem;
using testdata::Bytes;

// UTF-8 names to paths and back (std::filesystem's own char paths follow the
// system code page on Windows).
inline fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

inline std::string NameOf(const fs::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

// A fresh folder, removed with everything in it (read-only parts included).
class TempFolder {
public:
    TempFolder() {
        static std::atomic<unsigned> counter{0};
        std::random_device device;
        const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = fs::temp_directory_path() / ("tessavel-" + std::to_string(device()) + "-" + std::to_string(tick) +
                                             "-" + std::to_string(counter++));
        fs::create_directories(path_);
    }
    ~TempFolder() {
        // Never throws: a test that failed may have left anything behind.
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        for (fs::recursive_directory_iterator it(path_, ignored), end; !ignored && it != end; it.increment(ignored)) {
            if (!it->is_symlink(ignored))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const fs::path& path() const { return path_; }
    std::string name() const { return NameOf(path_); }
    // The UTF-8 name of `relative` inside the folder.
    std::string operator/(const std::string& relative) const { return NameOf(path_ / PathOf(relative)); }

private:
    fs::path path_;
};

inline void WriteText(const std::string& name, const std::string& bytes) {
    std::ofstream(PathOf(name), std::ios::binary) << bytes;
}

inline std::string ReadText(const std::string& name) {
    std::ifstream in(PathOf(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Bytes ReadFile(const std::string& name) {
    std::ifstream in(PathOf(name), std::ios::binary);
    return Bytes{std::istreambuf_iterator<char>(in), {}};
}

inline void WriteFile(const std::string& name, const Bytes& data) {
    std::ofstream out(PathOf(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// Every entry of a folder (not recursing) with its contents.
inline std::map<std::string, Bytes> Snapshot(const fs::path& folder) {
    std::map<std::string, Bytes> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[NameOf(entry.path().filename())] =
            entry.is_regular_file() ? ReadFile(NameOf(entry.path())) : testdata::FromString("<not a file>");
    return files;
}

// A symbolic link; false where the system makes none (Wine accepts the call
// and creates nothing).
inline bool MakeSymlink(const std::string& target, const std::string& link) {
#ifdef _WIN32
    CreateSymbolicLinkW(PathOf(link).c_str(), PathOf(target).c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    const DWORD attributes = GetFileAttributesW(PathOf(link).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
#else
    std::error_code error;
    fs::create_symlink(PathOf(target), PathOf(link), error);
    return !error;
#endif
}

// Takes write permission (on Windows the read-only attribute) from a file;
// false when the system still lets this process write it (root, or Wine
// running as root).
inline bool MakeReadOnly(const std::string& name) {
    fs::permissions(PathOf(name), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    return !std::ofstream(PathOf(name), std::ios::binary | std::ios::app);
}

#ifndef _WIN32
// Runs `test` in a child process, as the unprivileged user "nobody" when the
// tests run as root, whom permission bits do not stop; `test` gives the
// child's exit code.  The files it uses must be reachable for that user.
inline void ExpectExitAsOrdinaryUser(const std::function<int()>& test, int expected) {
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(100);
            std::_Exit(test());
        },
        ::testing::ExitedWithCode(expected), "");
}
#endif

}  // namespace testfiles
