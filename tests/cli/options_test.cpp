#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/options.h"
#include "runtime/text.h"

namespace {

using cli::Command;
using cli::Parse;
using cli::UsageError;

std::vector<std::string> Args(std::initializer_list<const char*> words) {
    std::vector<std::string> args{"tessavel-cli"};
    for (const char* w : words) args.emplace_back(w);
    return args;
}

std::string Refusal(std::initializer_list<const char*> words) {
    try {
        Parse(Args(words));
    } catch (const UsageError& e) {
        return e.what();
    }
    return "";
}

TEST(CliOptions, CommandsOperandsAndDefaults) {
    const cli::Options o = Parse(Args({"encrypt", "a.txt", "b.tsv"}));
    EXPECT_EQ(o.command, Command::Encrypt);
    EXPECT_EQ(cli::Jobs(o), (std::vector<cli::Job>{{"a.txt", "b.tsv"}}));
    EXPECT_TRUE(o.compression);
    EXPECT_EQ(o.addKey, tessavel::kAddKey);
    EXPECT_EQ(o.multKey, tessavel::kMultKey);
    EXPECT_FALSE(o.force);
    EXPECT_FALSE(o.passwordFile);
    EXPECT_EQ(o.threads, 0u);

    const cli::Options d = Parse(Args({"--quiet", "decrypt", "--no-compression", "--add-key", "-5", "--mult-key",
                                       "+7", "--password-file", "pw", "--force", "--threads", "3", "x", "--", "-y"}));
    EXPECT_EQ(d.command, Command::Decrypt);
    EXPECT_FALSE(d.compression);
    EXPECT_EQ(d.addKey, -5);
    EXPECT_EQ(d.multKey, 7);
    EXPECT_EQ(*d.passwordFile, "pw");
    EXPECT_TRUE(d.force && d.quiet);
    EXPECT_EQ(d.threads, 3u);
    EXPECT_EQ(cli::Jobs(d), (std::vector<cli::Job>{{"x", "-y"}}));

    EXPECT_EQ(Parse(Args({"--help"})).command, Command::Help);
    EXPECT_EQ(Parse(Args({"encrypt", "--version"})).command, Command::Version);
}

TEST(CliOptions, ManyFilesInPlaceIntoAFolderOrChecked) {
    EXPECT_EQ(cli::Jobs(Parse(Args({"encrypt", "--in-place", "a", "d/b"}))),
              (std::vector<cli::Job>{{"a", "a"}, {"d/b", "d/b"}}));
    EXPECT_EQ(cli::Jobs(Parse(Args({"decrypt", "--output-dir", "out", "a", "d/b"}))),
              (std::vector<cli::Job>{{"a", "out/a"}, {"d/b", "out/b"}}));
    EXPECT_EQ(cli::Jobs(Parse(Args({"decrypt", "--output-dir", "out/", "a"}))), (std::vector<cli::Job>{{"a", "out/a"}}));
    EXPECT_EQ(cli::Jobs(Parse(Args({"check", "a", "b"}))), (std::vector<cli::Job>{{"a", ""}, {"b", ""}}));
    // One file, in place or into the folder, is a batch of one.
    EXPECT_EQ(cli::Jobs(Parse(Args({"encrypt", "--in-place", "a"}))).size(), 1u);

    // Two results under one name are refused before any work.
    const auto twice = [](std::initializer_list<const char*> words) {
        try {
            cli::Jobs(Parse(Args(words)));
        } catch (const UsageError& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    EXPECT_NE(twice({"encrypt", "--output-dir", "out", "x/a", "y/a"}).find("x/a and y/a would both go to out/a"),
              std::string::npos);
    EXPECT_NE(twice({"encrypt", "--output-dir", "out", "a", "b", "a"}), "");
    EXPECT_NE(twice({"encrypt", "--output-dir", "out", "x/"}), "");
}

TEST(CliOptions, RefusesWhatItCannotTake) {
    EXPECT_NE(Refusal({}), "");
    EXPECT_NE(Refusal({"shred", "a", "b"}), "");
    EXPECT_NE(Refusal({"encrypt", "a"}), "");
    EXPECT_NE(Refusal({"encrypt", "a", "b", "c"}), "");
    EXPECT_NE(Refusal({"encrypt", "", "b"}), "");
    EXPECT_NE(Refusal({"encrypt", "--bogus", "a", "b"}), "");
    EXPECT_NE(Refusal({"encrypt", "a", "b", "--add-key"}), "");
    EXPECT_NE(Refusal({"encrypt", "--add-key", "12x", "a", "b"}), "");
    EXPECT_NE(Refusal({"encrypt", "--add-key", "4294967296", "a", "b"}), "");
    EXPECT_NE(Refusal({"encrypt", "--mult-key", "0", "a", "b"}), "");
    EXPECT_NE(Refusal({"encrypt", "--threads", "0", "a", "b"}), "");
    EXPECT_NE(Refusal({"encrypt", "--threads", "65", "a", "b"}), "");
    EXPECT_NE(Refusal({"encrypt", "--in-place"}), "");
    EXPECT_NE(Refusal({"encrypt", "--in-place", "--output-dir", "d", "a"}), "");
    EXPECT_NE(Refusal({"encrypt", "--output-dir", "", "a"}), "");
    EXPECT_NE(Refusal({"check"}), "");
    EXPECT_NE(Refusal({"check", "--force", "a"}), "");
    EXPECT_NE(Refusal({"check", "--in-place", "a"}), "");
    // The password never comes from the command line.
    EXPECT_NE(Refusal({"encrypt", "--password", "secret", "a", "b"}).find("never"), std::string::npos);
    EXPECT_NE(Refusal({"encrypt", "--password=secret", "a", "b"}).find("never"), std::string::npos);
    EXPECT_NE(Refusal({"decrypt", "a", "b", "-p", "secret"}).find("never"), std::string::npos);
}

TEST(CliOptions, PasswordsBecomeWindows1251BytesOfAtMost12Characters) {
    EXPECT_EQ(cli::PasswordBytes("marigold"), "marigold");
    EXPECT_EQ(cli::PasswordBytes(""), "");
    // Twelve Cyrillic letters are 24 UTF-8 bytes but 12 characters.
    EXPECT_EQ(cli::PasswordBytes("\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C"),
              "\xEF\xE0\xF0\xEE\xEB\xFC\xEF\xE0\xF0\xEE\xEB\xFC");
    EXPECT_THROW(cli::PasswordBytes("1234567890123"), UsageError);
    EXPECT_THROW(cli::PasswordBytes("\xE2\x98\xBA"), UsageError);  // U+263A has no Windows-1251 byte
    EXPECT_THROW(cli::PasswordBytes("\xFF"), UsageError);          // not UTF-8

    EXPECT_EQ(cli::FirstLine("pass\r\nrest"), "pass");
    EXPECT_EQ(cli::FirstLine("pass\nrest"), "pass");
    EXPECT_EQ(cli::FirstLine("\xEF\xBB\xBFpass"), "pass");
    EXPECT_EQ(cli::FirstLine(""), "");
    EXPECT_EQ(cli::FirstLine("no break"), "no break");
}

}  // namespace
