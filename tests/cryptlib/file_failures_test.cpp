// Files the cipher may not or cannot use, and names of every script and
// length.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "cryptlib/cryptlib.h"
#include "cryptlib/program_keys.h"
#include "runtime/clock.h"
#include "runtime/exceptions.h"
#include "runtime/file.h"
#include "tests/support/files.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

using namespace testfiles;

// A component set up as the desktop program's, which counts the blocks of
// work it reports: a refusal must come before any.
struct Cipher {
    TCryptLib crypto;
    int progress = 0;
    int badPasswords = 0;
    Cipher() {
        crypto.SetAddKey(tessavel::kAddKey);
        crypto.SetMultKey(tessavel::kMultKey);
        crypto.SetOnProgress([this](TCryptPass, std::uint64_t, std::uint64_t) { ++progress; });
        crypto.SetOnBadPassword([this](TCryptLib&) { ++badPasswords; });
    }
    // The exception's text, or "" when the run ends without one.
    std::string Run(bool encrypt, const std::string& from, const std::string& to) {
        crypto.SetInfile(from);
        crypto.SetOutfile(to);
        crypto.SetPassword("marigold");
        try {
            encrypt ? crypto.EncryptFile() : crypto.DecryptFile();
        } catch (const rt::Exception& e) {
            return e.Message();
        }
        return "";
    }
};

// Each refused run: the expected text, no work done, the folders unchanged.
// Gives 0, or the number of the first case that went wrong (the count of
// cases when none applies).
int ExpectRefusals(const std::vector<std::function<std::string(Cipher&)>>& runs, const std::string& expected,
                   const std::vector<fs::path>& folders) {
    int number = 0;
    for (const auto& run : runs) {
        ++number;
        for (bool compression : {true, false}) {
            std::vector<std::map<std::string, Bytes>> before;
            for (const fs::path& folder : folders) before.push_back(Snapshot(folder));
            Cipher cipher;
            cipher.crypto.SetCompression(compression);
            if (run(cipher) != expected || cipher.progress != 0 || !cipher.crypto.SecretsWiped()) return number;
            for (std::size_t i = 0; i < folders.size(); ++i)
                if (Snapshot(folders[i]) != before[i]) return number;
        }
    }
    return 0;
}

class FileFailures : public ::testing::Test {
protected:
    void SetUp() override {
        rt::testing::SetClock(5000);
        // The folder where an ordinary user works (the tests may run as root).
        fs::create_directory(user);
#ifndef _WIN32
        ASSERT_EQ(::chown(user.c_str(), 65534, 65534), 0);
#endif
    }
    void TearDown() override { rt::testing::SetClock(-1); }

    // Makes a plain file and its enciphered copy in `in`.
    static bool MakeFiles(const fs::path& in) {
        WriteFile(testfiles::NameOf(in / "plain"), testdata::Text(100000, 1));
        Cipher cipher;
        return cipher.Run(true, testfiles::NameOf(in / "plain"), testfiles::NameOf(in / "secret")).empty();
    }

    testfiles::TempFolder folder;
    const fs::path user = folder.path() / "user";
};

// Folders are no files: refused before any work, by the text the system
// gives for opening one.
TEST_F(FileFailures, AFolderIsNeitherSourceNorDestination) {
    ASSERT_TRUE(MakeFiles(folder.path()));
    fs::create_directory(folder.path() / "sub");
    const std::string plain = folder / "plain", secret = folder / "secret", sub = folder / "sub";
    EXPECT_EQ(ExpectRefusals({[&](Cipher& c) { return c.Run(true, sub, folder / "out"); },
                              [&](Cipher& c) { return c.Run(false, sub, folder / "out"); },
                              [&](Cipher& c) { return c.Run(true, sub, sub); },
                              [&](Cipher& c) { return c.Run(true, plain, sub); },
                              [&](Cipher& c) { return c.Run(false, secret, sub); }},
                             "File access denied", {folder.path(), folder.path() / "sub"}),
              0);
}

// Read-only files and folders, as an ordinary user meets them.
int ReadOnlyCases(const fs::path& in) {
    const std::string plain = testfiles::NameOf(in / "plain"), secret = testfiles::NameOf(in / "secret");
    const std::string locked = testfiles::NameOf(in / "locked"), out = testfiles::NameOf(in / "out");
    WriteFile(locked, testdata::FromString("read-only"));
    WriteFile(out, testdata::FromString("may be replaced"));
    if (!testfiles::MakeReadOnly(locked)) return 100;
    if (int bad = ExpectRefusals({[&](Cipher& c) { return c.Run(true, plain, locked); },
                                  [&](Cipher& c) { return c.Run(false, secret, locked); }},
                                 "File access denied", {in}))
        return bad;
    // A read-only source: opened with write access, as the desktop program does.
    const std::string lockedSecret = testfiles::NameOf(in / "locked secret");
    fs::copy_file(testfiles::PathOf(secret), testfiles::PathOf(lockedSecret));
    testfiles::MakeReadOnly(lockedSecret);
    if (int bad = ExpectRefusals({[&](Cipher& c) { return c.Run(true, locked, out); },
                                  [&](Cipher& c) { return c.Run(false, lockedSecret, out); },
                                  [&](Cipher& c) { return c.Run(true, locked, locked); },
                                  [&](Cipher& c) { return c.Run(false, lockedSecret, lockedSecret); }},
                                 "File access denied", {in}))
        return 10 + bad;
#ifndef _WIN32
    // A folder where no file may be made (Windows folders have no such bit).
    fs::create_directory(in / "closed");
    WriteFile(testfiles::NameOf(in / "closed/existing"), testdata::FromString("stays"));
    fs::permissions(in / "closed", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const std::string closed = testfiles::NameOf(in / "closed/new"), existing = testfiles::NameOf(in / "closed/existing");
    if (int bad = ExpectRefusals({[&](Cipher& c) { return c.Run(true, plain, closed); },
                                  [&](Cipher& c) { return c.Run(false, secret, closed); },
                                  [&](Cipher& c) { return c.Run(true, plain, existing); },
                                  [&](Cipher& c) { return c.Run(true, existing, existing); }},
                                 "File access denied", {in, in / "closed"}))
        return 20 + bad;
#endif
    return 0;
}

TEST_F(FileFailures, ReadOnlyFilesAndFoldersChangeNothing) {
#ifdef _WIN32
    ASSERT_TRUE(MakeFiles(user));
    WriteFile(testfiles::NameOf(user / "probe"), {});
    if (!testfiles::MakeReadOnly(testfiles::NameOf(user / "probe")))
        GTEST_SKIP() << "the read-only attribute does not stop this process (Wine running as root)";
    EXPECT_EQ(ReadOnlyCases(user), 0);
#else
    testfiles::ExpectExitAsOrdinaryUser(
        [&] { return MakeFiles(user) ? ReadOnlyCases(user) : 99; },
        0);
#endif
}

#ifdef _WIN32
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
#endif

// The name as the test itself must give it to the system: on Windows a long
// one needs the \\?\ form (the runtime adds it by itself).
std::string Reachable(const std::string& name) {
#ifdef _WIN32
    std::string native = name;
    std::replace(native.begin(), native.end(), '/', '\\');
    return "\\\\?\\" + native;
#else
    return name;
#endif
}

// Cyrillic, CJK, a character beyond the Basic Multilingual Plane and spaces,
// in a path longer than the classic 260-character limit.
TEST_F(FileFailures, NamesOfEveryScriptAndLength) {
    // Characters, not bytes (UTF-16 needs as many units or more).
    const auto characters = [](const std::string& utf8) {
        return std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; });
    };
    std::vector<std::string> folders = {folder / "Папка с пробелами"};
    while (characters(folders.back()) < 300) folders.push_back(folders.back() + "/文件夹 𝄞 — длинное имя папки");
    for (const std::string& f : folders) fs::create_directory(testfiles::PathOf(Reachable(f)));
    const std::string deep = folders.back();
    // The system's own folder walk stops at the classic limit on Windows:
    // this test takes its long folder apart itself.
    struct Cleanup {
        std::vector<std::string>& folders;
        std::vector<std::string> files;
        ~Cleanup() {
            std::error_code ignored;
            for (const std::string& f : files) rt::RemoveFile(f);
            for (auto f = folders.rbegin(); f != folders.rend(); ++f) fs::remove(testfiles::PathOf(Reachable(*f)), ignored);
        }
    } cleanup{folders, {}};

    const Bytes plain = testdata::Text(70000, 2);
    for (const std::string& in : {folder.name(), deep}) {
        const std::string source = in + "/Отчёт за 2024 год 😀.txt";
        const std::string secret = in + "/機密 文書 Ω.tsv";
        const std::string back = in + "/назад 𝄞.txt";
        cleanup.files.insert(cleanup.files.end(), {source, secret, back});
        for (bool compression : {true, false}) {
            SCOPED_TRACE(testing::Message() << source << " compression " << compression);
            WriteFile(Reachable(source), plain);
            Cipher cipher;
            cipher.crypto.SetCompression(compression);
            ASSERT_EQ(cipher.Run(true, source, secret), "");
            ASSERT_EQ(cipher.Run(false, secret, back), "");
            EXPECT_EQ(ReadFile(Reachable(back)), plain);
            ASSERT_EQ(cipher.Run(true, back, back), "");
            ASSERT_EQ(cipher.Run(false, back, back), "");
            EXPECT_EQ(ReadFile(Reachable(back)), plain);
            EXPECT_EQ(cipher.badPasswords, 0);
            for (const char* work : {TCryptLib::kSameFileWorkName, TCryptLib::kPackWorkName})
                EXPECT_FALSE(rt::FileExists(in + "/" + work)) << "work file left";
        }
    }
}

}  // namespace
