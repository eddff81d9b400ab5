// Windows' sharing of open files: a file another program holds is refused
// before any work.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>
// The system's file-encryption calls, whose names the cipher's operations
// share.
#undef EncryptFile
#undef DecryptFile

#include "tests/cryptlib/file_failures.h"
#include "tests/support/files.h"

namespace {

using namespace testfiles;
using cryptlibtest::Cipher;
using cryptlibtest::ExpectRefusals;
using cryptlibtest::FileFailures;

// Another program holds a file and shares only reading: opening it for
// writing is the system's sharing violation, "I/O error 32", and nothing
// changes.
TEST_F(FileFailures, AFileHeldByAnotherProgramIsASharingViolation) {
    ASSERT_TRUE(MakeFiles(folder.path()));
    const std::string plain = folder / "plain", secret = folder / "secret", out = folder / "out";
    WriteFile(out, testdata::FromString("existing destination"));
    using Runs = std::vector<std::function<std::string(Cipher&)>>;
    const std::pair<std::string, Runs> cases[] = {
        {plain, {[&](Cipher& c) { return c.Run(true, plain, out); }, [&](Cipher& c) { return c.Run(true, plain, plain); }}},
        {secret, {[&](Cipher& c) { return c.Run(false, secret, out); },
                  [&](Cipher& c) { return c.Run(false, secret, secret); }}},
        {out, {[&](Cipher& c) { return c.Run(true, plain, out); }, [&](Cipher& c) { return c.Run(false, secret, out); }}},
    };
    for (const auto& [held, runs] : cases) {
        SCOPED_TRACE(held);
        const HANDLE handle = CreateFileW(testfiles::PathOf(held).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
        EXPECT_EQ(ExpectRefusals(runs, "I/O error 32", {folder.path()}), 0);
        CloseHandle(handle);
    }
}

}  // namespace
