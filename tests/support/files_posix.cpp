// What tests/support/files.h leaves to the system, on POSIX systems.
#include <cerrno>
#include <cstdlib>

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/support/files.h"

namespace testfiles {
namespace {

// "nobody", the user and group whom permissions stop.
constexpr uid_t kNobody = 65534;

}  // namespace

int DiskFullError() { return ENOSPC; }

int MissingFolderError() { return ENOENT; }

bool WindowsNames() { return false; }

std::string LongForm(const std::string& name) { return name; }

std::vector<std::string> OtherSpellings(const std::string&, const std::string&, const std::string&) { return {}; }

bool MakeSymlink(const std::string& target, const std::string& link) {
    std::error_code error;
    fs::create_symlink(PathOf(target), PathOf(link), error);
    return !error;
}

// Whatever this process is stopped by, the child that runs the test as
// "nobody" is.
bool MakeReadOnlyForOrdinaryUser(const std::string& name) {
    MakeReadOnly(name);
    return true;
}

// A test that runs as an ordinary user already needs no other owner.
bool GiveToOrdinaryUser(const fs::path& folder) {
    return ::geteuid() != 0 || ::chown(folder.c_str(), kNobody, kNobody) == 0;
}

bool CloseFolder(const fs::path& folder) {
    fs::permissions(folder, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    return true;
}

void ExpectAsOrdinaryUser(const std::function<int()>& test, int expected) {
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) std::_Exit(100);
            std::_Exit(test());
        },
        ::testing::ExitedWithCode(expected), "");
}

}  // namespace testfiles
