// What tests/support/files.h leaves to the system, on Windows.
#include <algorithm>

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/files.h"

namespace testfiles {

int DiskFullError() { return ERROR_DISK_FULL; }

int MissingFolderError() { return ERROR_PATH_NOT_FOUND; }

bool WindowsNames() { return true; }

std::string LongForm(const std::string& name) {
    std::string native = name;
    std::replace(native.begin(), native.end(), '/', '\\');
    return "\\\\?\\" + native;
}

std::vector<std::string> OtherSpellings(const std::string& folder, const std::string& sub, const std::string& name) {
    std::string capitals = name;
    std::transform(capitals.begin(), capitals.end(), capitals.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return {NameOf(PathOf(folder) / PathOf(capitals)), NameOf(PathOf(folder) / PathOf(sub + "\\..\\" + name))};
}

bool MakeSymlink(const std::string& target, const std::string& link) {
    CreateSymbolicLinkW(PathOf(link).c_str(), PathOf(target).c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    const DWORD attributes = GetFileAttributesW(PathOf(link).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The ordinary user is this process.
bool MakeReadOnlyForOrdinaryUser(const std::string& name) { return MakeReadOnly(name); }

bool GiveToOrdinaryUser(const fs::path&) { return true; }

bool CloseFolder(const fs::path&) { return false; }

void ExpectAsOrdinaryUser(const std::function<int()>& test, int expected) { EXPECT_EQ(test(), expected); }

}  // namespace testfiles
