// The error numbers and texts the file services report.
#include <functional>

#include <gtest/gtest.h>

#include "runtime/exceptions.h"
#include "runtime/file.h"
#include "tests/runtime/fixtures.h"
#include "tests/support/files.h"

namespace {

using namespace testfiles;
using runtimetest::ErrorOf;
using runtimetest::FileErrors;
using runtimetest::OpenError;

TEST(InOutError, TextsFollowTheTable) {
    EXPECT_EQ(rt::InOutErrorText(2), "File not found");
    EXPECT_EQ(rt::InOutErrorText(3), "Invalid filename");
    EXPECT_EQ(rt::InOutErrorText(4), "Too many open files");
    EXPECT_EQ(rt::InOutErrorText(5), "File access denied");
    EXPECT_EQ(rt::InOutErrorText(32), "I/O error 32");
    EXPECT_EQ(rt::InOutErrorText(0), "I/O error 0");
    EXPECT_EQ(rt::InOutErrorText(1), "I/O error 1");
    EXPECT_EQ(rt::InOutErrorText(6), "I/O error 6");
    EXPECT_EQ(rt::InOutErrorText(-7), "I/O error -7");

    const rt::EInOutError error(5);
    EXPECT_EQ(error.ErrorCode(), 5);
    EXPECT_STREQ(error.what(), "File access denied");
    const rt::Exception& base = error;
    EXPECT_EQ(base.Message(), "File access denied");
    EXPECT_EQ(rt::EOutOfMemory().Message(), "Out of memory");
}

TEST_F(FileErrors, MissingNames) {
    EXPECT_EQ(OpenError(folder / "missing"), 2);
    EXPECT_EQ(OpenError(folder / "no/such"), MissingFolderError());
    EXPECT_EQ(ErrorOf([&] { rt::File::Create(folder / "no/such"); }), MissingFolderError());
}

TEST_F(FileErrors, AFileUsedAsAFolder) {
    WriteText(folder / "plain", "x");
    EXPECT_EQ(OpenError(folder / "plain/x"), 3);
    EXPECT_EQ(ErrorOf([&] { rt::File::Create(folder / "plain/x"); }), 3);
}

TEST_F(FileErrors, AFolderIsNoFile) {
    fs::create_directory(PathOf(folder / "sub"));
    EXPECT_EQ(OpenError(folder / "sub"), 5);
    EXPECT_EQ(ErrorOf([&] { rt::File::Create(folder / "sub"); }), 5);
    EXPECT_TRUE(fs::is_directory(PathOf(folder / "sub")));
}

TEST_F(FileErrors, ReadOnlyFileIsDeniedForWriting) {
    const std::string name = folder / "readonly";
    WriteText(name, "keep");
    if (!MakeReadOnlyForOrdinaryUser(name))
        GTEST_SKIP() << "the read-only attribute is not enforced here (Wine running as root)";
    ExpectAsOrdinaryUser([&] { return OpenError(name); }, 5);
    ExpectAsOrdinaryUser([&] { return ErrorOf([&] { rt::File::Create(name); }); }, 5);
    EXPECT_EQ(ReadText(name), "keep");
}

}  // namespace
