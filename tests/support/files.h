// Files for tests: a fresh folder per test, names as the core takes them
// (UTF-8), reading, writing and listing files, and what differs between
// systems: error numbers, the spellings of names, links, and the permissions
// that stop a user.  The platform's part is in files_posix.cpp and
// files_win32.cpp.
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
#include <vector>

#include "tests/support/test_data.h"

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

// Takes write permission (on Windows the read-only attribute) from a file;
// false when the system still lets this process write it (root, or Wine
// running as root).
inline bool MakeReadOnly(const std::string& name) {
    fs::permissions(PathOf(name), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    return !std::ofstream(PathOf(name), std::ios::binary | std::ios::app);
}

// --- What each system does its own way ---------------------------------------

// The error number of a write to a full disk.
int DiskFullError();
// The error number of a name whose folder does not exist (on POSIX systems
// that of a missing file).
int MissingFolderError();

// Whether names follow Windows' rules: backslashes separate as slashes do,
// a drive's colon ends a folder, and "\\server\share\" is a folder.
bool WindowsNames();
// The name as a test hands it to the system itself: on Windows a long one
// needs the \\?\ form (the runtime adds it by itself).
std::string LongForm(const std::string& name);
// Other spellings the system takes for the file `name` in `folder`, whose
// subfolder `sub` exists: on Windows, whose names ignore letter case and
// take backslashes, the name in capitals and the way through `sub` with
// backslashes.  None on POSIX systems, whose names are exact.
std::vector<std::string> OtherSpellings(const std::string& folder, const std::string& sub, const std::string& name);

// A symbolic link; false where the system makes none (Wine accepts the call
// and creates nothing).
bool MakeSymlink(const std::string& target, const std::string& link);

// An ordinary user is one whom permissions stop.  On POSIX systems tests
// act as one in a child process, as the user "nobody" when they run as
// root; on Windows in this process, which the read-only attribute stops
// unless it is Wine running as root.
//
// Takes write permission from a file (MakeReadOnly); false when that does
// not stop the ordinary user.
bool MakeReadOnlyForOrdinaryUser(const std::string& name);
// Hands a folder to the ordinary user, so that they may make files in it.
bool GiveToOrdinaryUser(const fs::path& folder);
// Takes the right to make files in it from a folder; false where folders
// have no such permission (Windows), and nothing is done.
bool CloseFolder(const fs::path& folder);
// Expects `test`, run as the ordinary user, to give `expected`.  The files
// it uses must be reachable for that user.
void ExpectAsOrdinaryUser(const std::function<int()>& test, int expected);

}  // namespace testfiles
