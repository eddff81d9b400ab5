// Files for tests: a fresh folder per test, names as the runtime takes them
// (UTF-8), and the links and permissions that not every system offers.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace testfiles {

namespace fs = std::filesystem;

inline fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

inline std::string NameOf(const fs::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

class TempFolder {
public:
    TempFolder() {
        std::random_device device;
        const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = fs::temp_directory_path() / ("tessavel-" + std::to_string(device()) + "-" + std::to_string(tick));
        fs::create_directory(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(path_, ignored)) {
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
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
