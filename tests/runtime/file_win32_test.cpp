// What the file services do with what Windows' files and names have alone:
// the hidden attribute, and names that ignore letter case and take
// backslashes.
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "runtime/file.h"
#include "tests/runtime/fixtures.h"
#include "tests/support/files.h"

namespace {

using namespace testfiles;
using runtimetest::FileTest;
using runtimetest::Identity;

TEST_F(FileTest, CreateEmptiesAHiddenFileAndKeepsItHidden) {
    const std::string name = folder / "hidden";
    WriteText(name, "secret");
    SetFileAttributesW(PathOf(name).c_str(), FILE_ATTRIBUTE_HIDDEN);
    const DWORD before = GetFileAttributesW(PathOf(name).c_str());
    rt::File::Create(name).Close();
    EXPECT_EQ(ReadText(name), "");
    EXPECT_EQ(GetFileAttributesW(PathOf(name).c_str()) & FILE_ATTRIBUTE_HIDDEN, before & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(Identity, LetterCaseAndSeparators) {
    ExpectSame(folder / "X");
    std::string backslashed = folder / "d\\..\\x";
    ExpectSame(backslashed);
}

}  // namespace
