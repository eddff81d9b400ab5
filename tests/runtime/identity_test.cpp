// One file under many names, and different files, as file identity sees them.
#include <gtest/gtest.h>

#include "runtime/file.h"
#include "tests/runtime/fixtures.h"
#include "tests/support/files.h"

namespace {

using namespace testfiles;
using runtimetest::Identity;

TEST_F(Identity, DifferentFilesDiffer) {
    const auto otherIdentity = rt::IdentityOf(other);
    ASSERT_TRUE(otherIdentity.has_value());
    EXPECT_NE(*otherIdentity, *identity);
    EXPECT_FALSE(rt::IdentityOf(folder / "missing").has_value());
    EXPECT_FALSE(rt::IdentityOf("").has_value());
    const rt::File held = rt::File::OpenExisting(other);
    EXPECT_EQ(rt::IdentityOf(other), otherIdentity);  // while it is open, too
}

TEST_F(Identity, RelativeAbsoluteAndDottedNames) {
    ExpectSame(folder / "./x");
    ExpectSame(folder / "d/../x");
    ExpectSame(folder / "d/.././x");
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path() / "d");
    ExpectSame("../x");
    fs::current_path(folder.path());
    ExpectSame("x");
    ExpectSame("./x");
    fs::current_path(previous);
}

TEST_F(Identity, HardLink) {
    fs::create_hard_link(PathOf(name), PathOf(folder / "hard"));
    ExpectSame(folder / "hard");
}

TEST_F(Identity, SymbolicLink) {
    if (!MakeSymlink(name, folder / "soft")) GTEST_SKIP() << "this system makes no symbolic links (Wine)";
    ExpectSame(folder / "soft");
}

TEST_F(Identity, LinkedFileFollowsLinksToTheEnd) {
    EXPECT_FALSE(rt::LinkedFile(name).has_value());  // a plain file
    EXPECT_FALSE(rt::LinkedFile(folder / "missing").has_value());
    EXPECT_FALSE(rt::LinkedFile("").has_value());
    if (!MakeSymlink(name, folder / "soft")) GTEST_SKIP() << "this system makes no symbolic links (Wine)";
    ASSERT_TRUE(MakeSymlink(folder / "soft", folder / "d/chain"));
    ASSERT_TRUE(MakeSymlink("../x", folder / "d/relative"));
    ASSERT_TRUE(MakeSymlink(folder / "missing", folder / "dangling"));
    for (const std::string& link : {folder / "soft", folder / "d/chain", folder / "d/relative"}) {
        SCOPED_TRACE(link);
        const auto linked = rt::LinkedFile(link);
        ASSERT_TRUE(linked.has_value());
        EXPECT_TRUE(PathOf(*linked).is_absolute());
        EXPECT_EQ(rt::IdentityOf(*linked), identity);
        EXPECT_FALSE(rt::LinkedFile(*linked).has_value());  // the end of the chain
    }
    EXPECT_FALSE(rt::LinkedFile(folder / "dangling").has_value());
}

}  // namespace
