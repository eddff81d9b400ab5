// The seam through which tests make the N-th file call fail or write short.
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/exceptions.h"
#include "runtime/file.h"
#include "tests/support/files.h"

namespace {

using namespace testfiles;

class FaultInjection : public ::testing::Test {
protected:
    void TearDown() override { rt::testing::ClearFaultPlan(); }

    void SetUp() override { WriteText(c, "c"); }

    // One file call per step, each independent of an earlier one failing
    // (but for the handle it needs); false when delete or rename fails.
    std::vector<std::function<bool()>> Steps() {
        return {
            [this] { file = rt::File::Create(a); return true; },
            [this] { file.Write("abcdef", 6); return true; },
            [this] { file.Size(); return true; },
            [this] { file.Flush(); return true; },
            [this] { file.Close(); return true; },
            [this] { file = rt::File::OpenExisting(a); return true; },
            [this] { char buffer[8]; file.Read(buffer, sizeof buffer); return true; },
            [this] { file.Close(); return true; },
            [this] { return rt::RenameFile(a, b); },
            [this] { return rt::RemoveFile(c); },
        };
    }

    TempFolder folder;
    const std::string a = folder / "a";
    const std::string b = folder / "b";
    const std::string c = folder / "c";
    rt::File file;
};

TEST_F(FaultInjection, CountsEveryFileCall) {
    rt::testing::ClearFaultPlan();
    for (const auto& step : Steps()) ASSERT_TRUE(step());
    EXPECT_EQ(rt::testing::FileCallCount(), 10);
    // Neither questions about names nor closing what is closed count.
    rt::FileExists(a);
    rt::IdentityOf(folder / "");
    rt::SyncFolder("");
    file.Close();
    { rt::File dropped = rt::File::Create(a); }
    EXPECT_EQ(rt::testing::FileCallCount(), 11);
    rt::testing::ClearFaultPlan();
    EXPECT_EQ(rt::testing::FileCallCount(), 0);
}

TEST_F(FaultInjection, TheNthCallFailsAndOnlyThat) {
    for (int n = 1; n <= 10; ++n) {
        SCOPED_TRACE(n);
        rt::testing::SetFaultPlan({.failAt = n, .shortWriteAt = 0, .errorCode = 32});
        int step = 0;
        for (const auto& run : Steps()) {
            ++step;
            bool ok;
            int code = 0;
            try {
                ok = run();
            } catch (const rt::EInOutError& e) {
                ok = false;
                code = e.ErrorCode();
            }
            EXPECT_EQ(ok, step != n) << "step " << step;
            if (step == n && step < 9) {
                EXPECT_EQ(code, 32);
            }
            if (step == n && (n == 1 || n == 6)) break;  // nothing open to go on with
        }
        EXPECT_FALSE(file.IsOpen());  // a failing close still lets go
        rt::testing::ClearFaultPlan();
        file.Close();
        rt::RemoveFile(a);
        rt::RemoveFile(b);
        WriteText(c, "c");
    }
}

TEST_F(FaultInjection, AShortWriteWritesHalfThenReportsADiskFull) {
    rt::testing::SetFaultPlan({.failAt = 0, .shortWriteAt = 3, .errorCode = 5});
    file = rt::File::Create(a);
    file.Write("0123", 4);
    try {
        file.Write("abcdefghij", 10);
        FAIL() << "no error";
    } catch (const rt::EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), DiskFullError());
    }
    file.Write("!", 1);
    file.Close();
    EXPECT_EQ(ReadText(a), "0123abcde!");

    // A short write planned for a call that is no write does nothing.
    rt::testing::SetFaultPlan({.failAt = 0, .shortWriteAt = 1, .errorCode = 5});
    rt::File::OpenExisting(a).Write("xy", 2);
    EXPECT_EQ(ReadText(a), "xy23abcde!");
}

}  // namespace
