// The command line and the password file as tessavel-cli takes them: the
// input, split at NUL bytes, is the argument vector, and also the text of a
// password file.  Parsing may refuse, never crash.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cryptlib/cryptlib.h"
#include "runtime/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args{"tessavel-cli"};
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || text[i] == '\0') {
            args.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    try {
        const cli::Options options = cli::Parse(args);
        if (options.command == cli::Command::Encrypt || options.command == cli::Command::Decrypt ||
            options.command == cli::Command::Check) {
            if (options.addKey == 0 || options.multKey == 0) __builtin_trap();
            // Every job has its names: a source, and a result unless checking.
            for (const cli::Job& job : cli::Jobs(options)) {
                if (job.source.empty() || (job.result.empty() != (options.command == cli::Command::Check)))
                    __builtin_trap();
            }
        }
    } catch (const cli::UsageError& e) {
        if (*e.what() == '\0') __builtin_trap();
    }
    try {
        const std::string password = cli::PasswordBytes(cli::FirstLine(text));
        if (password.size() > TCryptLib::kMaxPasswordLength) __builtin_trap();
        // What was accepted converts back to the characters it came from.
        if (rt::Utf8ToCp1251(rt::Cp1251ToUtf8(password)) != password) __builtin_trap();
    } catch (const cli::UsageError&) {
    }
    return 0;
}
