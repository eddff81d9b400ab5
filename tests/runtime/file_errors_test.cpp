// The error numbers and texts the file services report.
#include <functional>

#include <gtest/gtest.h>

#include "runtime/exceptions.h"
#include "runtime/file.h"
#include "tests/support/files.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#endif

namespace {

using namespace testfiles;

// The error number of the EInOutError that `call` raises; 0 when none.
int ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const rt::EInOutError& e) {
        EXPECT_EQ(e.Message(), rt::InOutErrorText(e.ErrorCode()));
        return e.ErrorCode();
    }
    return 0;
}

int OpenError(const std::string& name) {
    return ErrorOf([&] { rt::File::OpenExisting(name); });
}

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

class FileErrors : public ::testing::Test {
protected:
    TempFolder folder;
};

TEST_F(FileErrors, MissingNames) {
    EXPECT_EQ(OpenError(folder / "missing"), 2);
#ifdef _WIN32
    const int missingFolder = 3;  // the system's "path not found"
#else
    const int missingFolder = 2;  // ENOENT, as for a missing file
#endif
    EXPECT_EQ(OpenError(folder / "no/such"), missingFolder);
    EXPECT_EQ(ErrorOf([&] { rt::File::Create(folder / "no/such"); }), missingFolder);
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
    const bool enforced = MakeReadOnly(name);
#ifdef _WIN32
    if (!enforced) GTEST_SKIP() << "the read-only attribute is not enforced here (Wine running as root)";
    EXPECT_EQ(OpenError(name), 5);
    EXPECT_EQ(ErrorOf([&] { rt::File::Create(name); }), 5);
#else
    static_cast<void>(enforced);  // when not, the check runs as another user
    ExpectExitAsOrdinaryUser([&] { return OpenError(name); }, 5);
    ExpectExitAsOrdinaryUser([&] { return ErrorOf([&] { rt::File::Create(name); }); }, 5);
#endif
    EXPECT_EQ(ReadText(name), "keep");
}

#ifndef _WIN32

TEST_F(FileErrors, TooLongAName) {
    EXPECT_EQ(OpenError(folder / std::string(300, 'n')), 3);  // ENAMETOOLONG
}

// The error of the first open beyond a limit of 16 descriptors.
int OpenBeyondTheLimit(const std::string& name) {
    const rlimit limit{16, 16};
    ::setrlimit(RLIMIT_NOFILE, &limit);
    std::vector<rt::File> files;
    for (int i = 0; i < 32; ++i) {
        const int error = ErrorOf([&] { files.push_back(rt::File::OpenExisting(name)); });
        if (error != 0) return error;
    }
    return 0;
}

// A write that crosses the file size limit: the system takes the bytes up to
// the limit, and refuses the rest.
int WriteBeyondTheSizeLimit(const std::string& name) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{50, 50};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    rt::File file = rt::File::Create(name);
    const std::string data(100, 'w');
    return ErrorOf([&] { file.Write(data.data(), data.size()); });
}

TEST_F(FileErrors, APartialWriteGoesOnAndReportsTheError) {
    const std::string name = folder / "limited";
    EXPECT_EXIT(std::_Exit(WriteBeyondTheSizeLimit(name)), ::testing::ExitedWithCode(EFBIG), "");
    EXPECT_EQ(ReadText(name), std::string(50, 'w'));
}

TEST_F(FileErrors, TooManyOpenFiles) {
    const std::string name = folder / "f";
    WriteText(name, "");
    EXPECT_EXIT(std::_Exit(OpenBeyondTheLimit(name)), ::testing::ExitedWithCode(4), "");
}

#endif

}  // namespace
