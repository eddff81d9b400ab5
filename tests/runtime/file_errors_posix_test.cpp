// The file services' errors at the limits that POSIX systems set a process:
// the length of a name, open descriptors and the size of a file.
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "runtime/exceptions.h"
#include "runtime/file.h"
#include "tests/runtime/fixtures.h"
#include "tests/support/files.h"

namespace {

using namespace testfiles;
using runtimetest::ErrorOf;
using runtimetest::FileErrors;
using runtimetest::OpenError;

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

}  // namespace
