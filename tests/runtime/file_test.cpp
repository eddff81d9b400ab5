#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/exceptions.h"
#include "runtime/file.h"
#include "tests/runtime/fixtures.h"
#include "tests/support/files.h"

namespace {

using namespace testfiles;
using runtimetest::FileTest;

std::string ReadAll(rt::File& file) {
    std::string out;
    char buffer[7];  // an odd size, so reads end inside the buffer
    while (const std::size_t n = file.Read(buffer, sizeof buffer)) out.append(buffer, n);
    return out;
}
std::string ReadAll(rt::File&& file) { return ReadAll(file); }

TEST_F(FileTest, WritesReadsAndReportsSize) {
    const std::string name = folder / "data.bin";
    std::string data(100000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
    {
        rt::File file = rt::File::Create(name);
        file.Write(data.data(), 3);
        file.Write(data.data() + 3, data.size() - 3);
        file.Write(data.data(), 0);
        file.Flush();
        EXPECT_EQ(file.Size(), data.size());
        file.Close();
        EXPECT_FALSE(file.IsOpen());
    }
    rt::File file = rt::File::OpenExisting(name);
    char head[10];
    EXPECT_EQ(file.Read(head, sizeof head), sizeof head);
    EXPECT_EQ(std::string(head, sizeof head), data.substr(0, 10));
    EXPECT_EQ(ReadAll(file), data.substr(10));
    char more;
    EXPECT_EQ(file.Read(&more, 1), 0u);  // at the end, again and again
    EXPECT_EQ(file.Read(&more, 1), 0u);
    EXPECT_EQ(ReadText(name), data);
}

TEST_F(FileTest, ReadReturnsFewerBytesOnlyAtTheEnd) {
    const std::string name = folder / "ten";
    WriteText(name, "0123456789");
    rt::File file = rt::File::OpenExisting(name);
    char buffer[16];
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 10u);
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
}

TEST_F(FileTest, CreateEmptiesAnExistingFile) {
    const std::string name = folder / "full";
    WriteText(name, std::string(5000, 'x'));
    rt::File file = rt::File::Create(name);
    EXPECT_EQ(file.Size(), 0u);
    file.Write("ab", 2);
    file.Close();
    EXPECT_EQ(ReadText(name), "ab");
}

TEST_F(FileTest, CreateNewMakesAFileButRefusesATakenName) {
    const std::string name = folder / "new";
    rt::File::CreateNew(name).Write("first", 5);
    EXPECT_THROW(rt::File::CreateNew(name), rt::EInOutError);
    EXPECT_EQ(ReadText(name), "first");
    EXPECT_THROW(rt::File::CreateNew(folder.name()), rt::EInOutError);
}

TEST_F(FileTest, CreateNewDoesNotFollowADanglingLink) {
    const std::string target = folder / "target";
    const std::string link = folder / "link";
    if (!MakeSymlink(target, link)) GTEST_SKIP() << "this system makes no symbolic links (Wine)";
    EXPECT_THROW(rt::File::CreateNew(link), rt::EInOutError);
    EXPECT_FALSE(fs::exists(PathOf(target)));
    EXPECT_TRUE(rt::FileExists(link));  // the dangling link holds the name
}

TEST_F(FileTest, OpensAreSharedForReadingAndWriting) {
    const std::string name = folder / "shared";
    WriteText(name, "original");
    rt::File first = rt::File::OpenExisting(name);
    rt::File second = rt::File::OpenExisting(name);
    first.Write("OVER", 4);
    EXPECT_EQ(ReadAll(second), "OVERinal");
    rt::File third = rt::File::Create(name);  // emptying while others hold it
    EXPECT_EQ(first.Size(), 0u);
}

TEST_F(FileTest, SizeIsSixtyFourBits) {
    const std::string name = folder / "sparse";
    WriteText(name, "");
    const std::uint64_t size = (std::uint64_t{5} << 30) + 3;
    std::error_code error;
    fs::resize_file(PathOf(name), size, error);
    if (error) GTEST_SKIP() << "no room for a sparse 5 GiB file: " << error.message();
    EXPECT_EQ(rt::File::OpenExisting(name).Size(), size);
}

TEST_F(FileTest, RenameReplacesTheTargetAndDeleteRemoves) {
    const std::string from = folder / "from";
    const std::string to = folder / "to";
    WriteText(from, "new");
    WriteText(to, "old contents");
    EXPECT_TRUE(rt::RenameFile(from, to));
    EXPECT_FALSE(rt::FileExists(from));
    EXPECT_EQ(ReadText(to), "new");
    EXPECT_FALSE(rt::RenameFile(from, to));

    EXPECT_TRUE(rt::RemoveFile(to));
    EXPECT_FALSE(rt::FileExists(to));
    EXPECT_FALSE(rt::RemoveFile(to));
    EXPECT_FALSE(rt::FileExists(folder.name()));  // a folder is no file
}

TEST_F(FileTest, MovedAndClosedFiles) {
    const std::string name = folder / "moved";
    rt::File a = rt::File::Create(name);
    rt::File b(std::move(a));
    EXPECT_FALSE(a.IsOpen());
    EXPECT_TRUE(b.IsOpen());
    a = rt::File::OpenExisting(name);  // two handles on one file
    b = std::move(a);
    EXPECT_TRUE(b.IsOpen());
    b.Close();
    b.Close();  // nothing to close
    char c;
    EXPECT_THROW(b.Read(&c, 1), rt::EInOutError);
    EXPECT_THROW(b.Write("x", 1), rt::EInOutError);
    EXPECT_THROW(b.Size(), rt::EInOutError);
    EXPECT_TRUE(rt::RemoveFile(name));  // no handle left behind
}

TEST_F(FileTest, NamesInEveryScriptRoundTrip) {
    // Cyrillic, CJK, and characters beyond the Basic Multilingual Plane.
    const std::string names[] = {"Пароль ёЁ №1.txt", "文件 ファイル.dat", "\xF0\x9D\x84\x9E \xF0\x9F\x98\x80.bin"};
    for (const std::string& leaf : names) {
        SCOPED_TRACE(leaf);
        const std::string name = folder / leaf;
        rt::File::Create(name).Write(leaf.data(), leaf.size());
        EXPECT_TRUE(rt::FileExists(name));
        EXPECT_EQ(ReadAll(rt::File::OpenExisting(name)), leaf);
        // The system holds exactly this name.
        bool listed = false;
        for (const auto& entry : fs::directory_iterator(folder.path())) listed |= NameOf(entry.path().filename()) == leaf;
        EXPECT_TRUE(listed);
        const std::string renamed = folder / ("→ " + leaf);
        EXPECT_TRUE(rt::RenameFile(name, renamed));
        EXPECT_EQ(ReadText(renamed), leaf);
        EXPECT_TRUE(rt::RemoveFile(renamed));
        EXPECT_TRUE(fs::is_empty(folder.path()));
    }
}

TEST_F(FileTest, NamesLongerThanMaxPath) {
    const std::string sub = folder / std::string(100, 'd');
    fs::create_directory(PathOf(sub));
    // Relative, with both separators and "..": the long form of a name must
    // be made from its full, normalised path.
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path());
    const std::string name = std::string(100, 'd') + "/../" + std::string(100, 'd') + "/" + std::string(200, 'f');
    ASSERT_GT(name.size(), 260u);
    rt::File::Create(name).Write("long", 4);
    EXPECT_TRUE(rt::FileExists(name));
    EXPECT_TRUE(rt::IdentityOf(name).has_value());
    EXPECT_EQ(rt::File::OpenExisting(name).Size(), 4u);
    const std::string renamed = sub + "/" + std::string(210, 'g');
    EXPECT_TRUE(rt::RenameFile(name, renamed));
    EXPECT_EQ(ReadAll(rt::File::OpenExisting(renamed)), "long");
    EXPECT_TRUE(rt::RemoveFile(renamed));
    EXPECT_TRUE(fs::is_empty(PathOf(sub)));
    fs::current_path(previous);
}

TEST_F(FileTest, NameWithNulIsRefused) {
    const std::string name = folder / "a";
    WriteText(name, "a");
    const std::string cut = name + std::string("\0b", 2);
    try {
        rt::File::OpenExisting(cut);
        FAIL() << "opened " << name;
    } catch (const rt::EInOutError& e) {
        EXPECT_EQ(e.ErrorCode(), 3);
    }
    EXPECT_FALSE(rt::FileExists(cut));
    EXPECT_FALSE(rt::RemoveFile(cut));
    EXPECT_FALSE(rt::IdentityOf(cut).has_value());
    EXPECT_TRUE(rt::FileExists(name));
}

TEST_F(FileTest, SyncFolderTakesAnyFolder) {
    rt::SyncFolder(folder.name());
    rt::SyncFolder("");
    rt::SyncFolder(folder / "missing");
}

// A name that something not to be removed holds (here a folder), or another
// live work file, sends a claim to the next name beside it; the file goes
// over its target in one step, and one that keeps its name goes at the end.
TEST_F(FileTest, WorkFilesTakeTheNextNameBesideWhatTheyMayNotRemove) {
    std::filesystem::create_directory(PathOf(folder / "w.tmp"));
    WriteText(folder / "target", "old");
    {
        rt::WorkFile first = rt::WorkFile::Claim(folder / "w.tmp");
        rt::WorkFile second = rt::WorkFile::Claim(folder / "w.tmp");
        EXPECT_EQ(first.Name(), folder / "w1.tmp");
        EXPECT_EQ(second.Name(), folder / "w2.tmp");
        second.Write("new", 3);
        EXPECT_EQ(ReadAll(second.ReadBack()), "new");
        second.Flush();
        second.MoveOver(folder / "target");
        EXPECT_FALSE(second.IsOpen());
        EXPECT_TRUE(first.IsOpen());
    }
    EXPECT_EQ(ReadText(folder / "target"), "new");
    EXPECT_FALSE(rt::FileExists(folder / "w1.tmp"));
    EXPECT_FALSE(rt::FileExists(folder / "w2.tmp"));
}

// Starting write-back early is only a hint: the data, the file's position
// and the count of file calls come out as without it, across the move of
// the work file that carries it.
TEST_F(FileTest, WriteBackAsWrittenChangesNothingButTiming) {
    std::string data(9u << 20 | 5, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 13 + i / 4093);
    rt::WorkFile work;
    {
        rt::WorkFile claimed = rt::WorkFile::Claim(folder / "w.tmp");
        claimed.WriteBackAsWritten();
        work = std::move(claimed);
    }
    rt::testing::SetFaultPlan({});
    std::size_t at = 0, writes = 0;
    for (std::size_t piece = 1; at < data.size(); piece = piece * 3 + 7, ++writes) {
        const std::size_t n = std::min(piece % (1u << 20), data.size() - at);
        work.Write(data.data() + at, n);
        at += n;
    }
    EXPECT_EQ(rt::testing::FileCallCount(), static_cast<int>(writes));
    rt::testing::ClearFaultPlan();
    work.Flush();
    work.MoveOver(folder / "target");
    EXPECT_EQ(ReadText(folder / "target"), data);
}

TEST(FolderOf, EndsAtThePlatformsSeparators) {
    EXPECT_EQ(rt::FolderOf("a/b/c.txt"), "a/b/");
    EXPECT_EQ(rt::FolderOf("/x"), "/");
    EXPECT_EQ(rt::FolderOf("x"), "");
    EXPECT_EQ(rt::FolderOf(""), "");
    EXPECT_EQ(rt::FolderOf("a\\b/c"), "a\\b/");
    // Backslashes and a drive's colon end a folder on Windows alone.
    const bool windows = WindowsNames();
    EXPECT_EQ(rt::FolderOf("a\\b"), windows ? "a\\" : "");
    EXPECT_EQ(rt::FolderOf("C:f"), windows ? "C:" : "");
    EXPECT_EQ(rt::FolderOf("C:\\dir\\f"), windows ? "C:\\dir\\" : "");
    EXPECT_EQ(rt::FolderOf("a/b\\c"), windows ? "a/b\\" : "a/");
    EXPECT_EQ(rt::FolderOf("\\\\server\\share\\f"), windows ? "\\\\server\\share\\" : "");
}

}  // namespace
