// The fixtures of the runtime's file tests, shared by the portable files
// and those of one system (file_win32_test.cpp, file_errors_posix_test.cpp).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "runtime/exceptions.h"
#include "runtime/file.h"
#include "tests/support/files.h"

namespace runtimetest {

class FileTest : public ::testing::Test {
protected:
    testfiles::TempFolder folder;
};

class FileErrors : public ::testing::Test {
protected:
    testfiles::TempFolder folder;
};

// The error number of the EInOutError that `call` raises; 0 when none.
inline int ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const rt::EInOutError& e) {
        EXPECT_EQ(e.Message(), rt::InOutErrorText(e.ErrorCode()));
        return e.ErrorCode();
    }
    return 0;
}

inline int OpenError(const std::string& name) {
    return ErrorOf([&] { rt::File::OpenExisting(name); });
}

// A file "x" and another, "y", in a folder with a subfolder "d".
class Identity : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(folder.path() / "d");
        testfiles::WriteText(name, "x");
        testfiles::WriteText(other, "y");
        identity = rt::IdentityOf(name);
        ASSERT_TRUE(identity.has_value());
    }
    void ExpectSame(const std::string& alias) {
        SCOPED_TRACE(alias);
        EXPECT_EQ(rt::IdentityOf(alias), identity);
    }

    testfiles::TempFolder folder;
    const std::string name = folder / "x";
    const std::string other = folder / "y";
    std::optional<rt::FileIdentity> identity;
};

}  // namespace runtimetest
