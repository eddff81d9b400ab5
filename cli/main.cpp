// tessavel-cli: encrypts and decrypts files in the desktop program's format
// from the command line.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <new>
#include <stdexcept>

#include "cryptlib.h"
#include "options.h"
#include "runtime/console.h"
#include "runtime/exceptions.h"
#include "runtime/file.h"
#include "runtime/secret.h"
#include "runtime/text.h"
#include "tessavel/version.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitBadPassword = 1;
constexpr int kExitUsage = 2;
constexpr int kExitFailure = 3;

using rt::Secret;

std::filesystem::path PathOf(const std::string& utf8) { return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())); }

std::string ReadPasswordFile(const std::string& name) {
    std::ifstream in(PathOf(name), std::ios::binary);
    if (!in) throw cli::UsageError{"cannot read the password file " + name};
    Secret all{std::string{std::istreambuf_iterator<char>(in), {}}};
    return cli::FirstLine(all.text);
}

std::string AskPassword(bool twice) {
    if (!rt::StdinIsTerminal()) {
        Secret line;
        std::getline(std::cin, line.text);
        if (!std::cin && line.text.empty()) throw cli::UsageError{"no password on standard input"};
        return cli::FirstLine(line.text);
    }
    auto first = rt::ReadPasswordFromTerminal("Password: ");
    if (!first) throw cli::UsageError{"no password given"};
    Secret one{std::move(*first)};
    if (twice) {
        auto second = rt::ReadPasswordFromTerminal("Password, again: ");
        Secret two{second ? std::move(*second) : std::string()};
        if (!second || two.text != one.text) throw cli::UsageError{"the two passwords differ"};
    }
    return one.text;
}

// An operation that failed, with the names it worked on.
class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Shows how far a run has got once it has taken longer than a second.
class Progress {
public:
    explicit Progress(bool enabled) : enabled_(enabled), start_(Clock::now()) {}
    ~Progress() {
        if (shown_) rt::WriteError("\r\x1b[K");
    }
    void operator()(TCryptPass pass, std::uint64_t done, std::uint64_t total) {
        if (!enabled_) return;
        const auto now = Clock::now();
        if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(200)) return;
        last_ = now;
        shown_ = true;
        static const char* const kNames[] = {"compressing", "enciphering", "deciphering", "expanding"};
        const unsigned percent = total == 0 ? 100u : static_cast<unsigned>(done * 100 / total);
        char line[64];
        std::snprintf(line, sizeof line, "\r%s %3u%%", kNames[static_cast<int>(pass)], percent);
        rt::WriteError(line);
    }

private:
    using Clock = std::chrono::steady_clock;
    bool enabled_;
    bool shown_ = false;
    Clock::time_point start_;
    Clock::time_point last_{};
};

int Run(const std::vector<std::string>& args) {
    const cli::Options options = cli::Parse(args);
    if (options.command == cli::Command::Help) {
        std::fputs(cli::Usage().c_str(), stdout);
        return kExitDone;
    }
    if (options.command == cli::Command::Version) {
        std::printf("tessavel-cli %s\n", tessavel::kVersionText);
        return kExitDone;
    }
    const bool encrypting = options.command == cli::Command::Encrypt;

    // DEST may be another name of SOURCE: the work then happens in place.
    const bool inPlace = rt::SameFile(options.source, options.dest);
    if (!inPlace && !options.force && rt::FileExists(options.dest))
        throw cli::UsageError{options.dest + " exists: use --force to replace it"};

    Secret typed{options.passwordFile ? ReadPasswordFile(*options.passwordFile) : AskPassword(encrypting)};
    Secret password{cli::PasswordBytes(typed.text)};

    TCryptLib crypto;
    crypto.SetCompression(options.compression);
    crypto.SetAddKey(options.addKey);
    crypto.SetMultKey(options.multKey);
    bool badPassword = false;
    crypto.SetOnBadPassword([&badPassword](TCryptLib&) { badPassword = true; });
    Progress progress(!options.quiet && rt::StderrIsTerminal());
    crypto.SetOnProgress([&progress](TCryptPass pass, std::uint64_t done, std::uint64_t total) {
        progress(pass, done, total);
    });
    crypto.SetInfile(options.source);
    crypto.SetOutfile(options.dest);
    crypto.SetPassword(password.text);
    try {
        if (encrypting)
            crypto.EncryptFile();
        else
            crypto.DecryptFile();
    } catch (const EWorkFileLeft& e) {
        // The result is complete, but a compressed copy of the source stayed
        // beside it: a failure to whoever meant to leave no readable copy.
        throw Failure{e.Message()};
    } catch (const rt::Exception& e) {
        // The component's text says what failed; the names say where.
        const std::string where = inPlace ? options.source + " in place" : options.source + " into " + options.dest;
        throw Failure{std::string("cannot ") + (encrypting ? "encrypt " : "decrypt ") + where + ": " + e.Message()};
    }
    crypto.SetPassword("");
    if (badPassword) {
        rt::WriteError("tessavel-cli: the password does not fit " + options.source + "; nothing was changed\n");
        return kExitBadPassword;
    }
    return kExitDone;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(rt::CommandLineArguments(argc, argv));
    } catch (const cli::UsageError& e) {
        rt::WriteError(std::string("tessavel-cli: ") + e.what() + "\n" + cli::Usage());
        return kExitUsage;
    } catch (const std::bad_alloc&) {
        rt::WriteError("tessavel-cli: Out of memory\n");
        return kExitFailure;
    } catch (const std::exception& e) {
        // File errors, refused values and out of memory as the component
        // raises them, and failures with the names they concern.
        rt::WriteError(std::string("tessavel-cli: ") + e.what() + "\n");
        return kExitFailure;
    }
}
