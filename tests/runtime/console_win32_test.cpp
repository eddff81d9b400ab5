// The console on Windows: the wide command line, and errors in UTF-8 when
// standard error is a file.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "runtime/console.h"
#include "tests/support/files.h"

namespace {

using namespace testfiles;

TEST(Console, ArgumentsComeFromTheWideCommandLine) {
    const std::vector<std::string> arguments = rt::CommandLineArguments(0, nullptr);
    ASSERT_FALSE(arguments.empty());
    EXPECT_NE(arguments[0].find("runtime_tests"), std::string::npos) << arguments[0];
}

TEST(Console, ErrorsGoOutAsUtf8WhenRedirected) {
    TempFolder folder;
    const HANDLE file =
        CreateFileW(PathOf(folder / "stderr").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const HANDLE previous = GetStdHandle(STD_ERROR_HANDLE);
    SetStdHandle(STD_ERROR_HANDLE, file);
    rt::WriteError("Ошибка 文\n");
    SetStdHandle(STD_ERROR_HANDLE, previous);
    CloseHandle(file);
    EXPECT_EQ(ReadText(folder / "stderr"), "Ошибка 文\n");
}

}  // namespace
