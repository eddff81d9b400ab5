// What the tests of files the cipher may not or cannot use share: the
// component as the desktop program sets it up, the check of refused runs,
// and a folder for an ordinary user.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cryptlib/cryptlib.h"
#include "cryptlib/program_keys.h"
#include "runtime/clock.h"
#include "runtime/exceptions.h"
#include "tests/support/files.h"

namespace cryptlibtest {

namespace fs = std::filesystem;

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
inline int ExpectRefusals(const std::vector<std::function<std::string(Cipher&)>>& runs, const std::string& expected,
                   const std::vector<fs::path>& folders) {
    int number = 0;
    for (const auto& run : runs) {
        ++number;
        for (bool compression : {true, false}) {
            std::vector<std::map<std::string, testfiles::Bytes>> before;
            for (const fs::path& folder : folders) before.push_back(testfiles::Snapshot(folder));
            Cipher cipher;
            cipher.crypto.SetCompression(compression);
            if (run(cipher) != expected || cipher.progress != 0 || !cipher.crypto.SecretsWiped()) return number;
            for (std::size_t i = 0; i < folders.size(); ++i)
                if (testfiles::Snapshot(folders[i]) != before[i]) return number;
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
        ASSERT_TRUE(testfiles::GiveToOrdinaryUser(user));
    }
    void TearDown() override { rt::testing::SetClock(-1); }

    // Makes a plain file and its enciphered copy in `in`.
    static bool MakeFiles(const fs::path& in) {
        testfiles::WriteFile(testfiles::NameOf(in / "plain"), testdata::Text(100000, 1));
        Cipher cipher;
        return cipher.Run(true, testfiles::NameOf(in / "plain"), testfiles::NameOf(in / "secret")).empty();
    }

    testfiles::TempFolder folder;
    const fs::path user = folder.path() / "user";
};

}  // namespace cryptlibtest
