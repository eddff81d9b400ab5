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
#include "runtime/file.h"
#include "tests/cryptlib/file_failures.h"
#include "tests/support/files.h"

namespace {

using namespace testfiles;
using cryptlibtest::Cipher;
using cryptlibtest::ExpectRefusals;
using cryptlibtest::FileFailures;

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
    // A folder where no file may be made (where folders have such a permission).
    fs::create_directory(in / "closed");
    WriteFile(testfiles::NameOf(in / "closed/existing"), testdata::FromString("stays"));
    if (!testfiles::CloseFolder(in / "closed")) return 0;
    const std::string closed = testfiles::NameOf(in / "closed/new"), existing = testfiles::NameOf(in / "closed/existing");
    if (int bad = ExpectRefusals({[&](Cipher& c) { return c.Run(true, plain, closed); },
                                  [&](Cipher& c) { return c.Run(false, secret, closed); },
                                  [&](Cipher& c) { return c.Run(true, plain, existing); },
                                  [&](Cipher& c) { return c.Run(true, existing, existing); }},
                                 "File access denied", {in, in / "closed"}))
        return 20 + bad;
    return 0;
}

TEST_F(FileFailures, ReadOnlyFilesAndFoldersChangeNothing) {
    WriteFile(folder / "probe", {});
    if (!testfiles::MakeReadOnlyForOrdinaryUser(folder / "probe"))
        GTEST_SKIP() << "the read-only attribute does not stop this process (Wine running as root)";
    testfiles::ExpectAsOrdinaryUser([&] { return MakeFiles(user) ? ReadOnlyCases(user) : 99; }, 0);
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
    for (const std::string& f : folders) fs::create_directory(testfiles::PathOf(LongForm(f)));
    const std::string deep = folders.back();
    // The system's own folder walk stops at the classic limit on Windows:
    // this test takes its long folder apart itself.
    struct Cleanup {
        std::vector<std::string>& folders;
        std::vector<std::string> files;
        ~Cleanup() {
            std::error_code ignored;
            for (const std::string& f : files) rt::RemoveFile(f);
            for (auto f = folders.rbegin(); f != folders.rend(); ++f) fs::remove(testfiles::PathOf(LongForm(*f)), ignored);
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
            WriteFile(LongForm(source), plain);
            Cipher cipher;
            cipher.crypto.SetCompression(compression);
            ASSERT_EQ(cipher.Run(true, source, secret), "");
            ASSERT_EQ(cipher.Run(false, secret, back), "");
            EXPECT_EQ(ReadFile(LongForm(back)), plain);
            ASSERT_EQ(cipher.Run(true, back, back), "");
            ASSERT_EQ(cipher.Run(false, back, back), "");
            EXPECT_EQ(ReadFile(LongForm(back)), plain);
            EXPECT_EQ(cipher.badPasswords, 0);
            for (const char* work : {TCryptLib::kSameFileWorkName, TCryptLib::kPackWorkName})
                EXPECT_FALSE(rt::FileExists(in + "/" + work)) << "work file left";
        }
    }
}

}  // namespace
