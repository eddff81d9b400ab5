#include "options.h"

#include <charconv>

#include "cryptlib/cryptlib.h"
#include "runtime/secret.h"
#include "runtime/text.h"

namespace cli {

std::string Usage() {
    return std::string("usage: tessavel-cli encrypt [options] SOURCE DEST\n"
                       "       tessavel-cli decrypt [options] SOURCE DEST\n"
                       "  --password-file FILE   the password is FILE's text up to its first line break (UTF-8)\n"
                       "  --no-compression       the file carries no LZH stream (default: compression on)\n"
                       "  --add-key N            default ") +
           std::to_string(tessavel::kAddKey) +
           "   (the desktop program's constants, so files\n"
           "  --mult-key N           default " +
           std::to_string(tessavel::kMultKey) +
           "    made by either open in the other)\n"
           "  --force                replace an existing DEST (without it an existing DEST is refused)\n"
           "  --quiet                no progress display\n"
           "  --help, --version\n"
           "Without --password-file the password is asked on the terminal (twice to encrypt), or read as one\n"
           "line from standard input. DEST may be SOURCE: the file is then replaced in place.\n"
           "Exit status: 0 done, 1 the password does not fit the file, 2 usage error, 3 other failure.\n";
}

namespace {

std::int32_t Number(const std::string& option, const std::string& text) {
    std::int32_t value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    if (first == last || error != std::errc() || end != last)
        throw UsageError{option + " takes a 32-bit whole number, not \"" + text + "\""};
    return value;
}

}  // namespace

Options Parse(const std::vector<std::string>& args) {
    Options options;
    std::vector<std::string> operands;
    bool commandSeen = false;
    bool endOfOptions = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw UsageError{arg + " needs a value"};
            return args[++i];
        };
        if (!endOfOptions && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                endOfOptions = true;
            } else if (arg == "--help" || arg == "-h") {
                options.command = Command::Help;
                return options;
            } else if (arg == "--version") {
                options.command = Command::Version;
                return options;
            } else if (arg == "--password-file") {
                options.passwordFile = value();
            } else if (arg == "--no-compression") {
                options.compression = false;
            } else if (arg == "--add-key") {
                options.addKey = Number(arg, value());
            } else if (arg == "--mult-key") {
                options.multKey = Number(arg, value());
            } else if (arg == "--force") {
                options.force = true;
            } else if (arg == "--quiet") {
                options.quiet = true;
            } else if (arg == "--password" || arg.rfind("--password=", 0) == 0 || arg == "-p") {
                throw UsageError{"a password is never taken from the command line: use --password-file or the prompt"};
            } else {
                throw UsageError{"unknown option " + arg};
            }
            continue;
        }
        if (!commandSeen) {
            commandSeen = true;
            if (arg == "encrypt")
                options.command = Command::Encrypt;
            else if (arg == "decrypt")
                options.command = Command::Decrypt;
            else
                throw UsageError{"unknown command \"" + arg + "\": use encrypt or decrypt"};
            continue;
        }
        operands.push_back(arg);
    }
    if (!commandSeen) throw UsageError{"no command given"};
    if (operands.size() != 2) throw UsageError{"SOURCE and DEST are needed, and nothing more"};
    if (operands[0].empty() || operands[1].empty()) throw UsageError{"SOURCE and DEST must not be empty"};
    if (options.addKey == 0) throw UsageError{"--add-key must not be 0"};
    if (options.multKey == 0) throw UsageError{"--mult-key must not be 0"};
    options.source = operands[0];
    options.dest = operands[1];
    return options;
}

std::string PasswordBytes(const std::string& utf8) {
    auto bytes = rt::Utf8ToCp1251(utf8);
    if (!bytes) throw UsageError{"the password holds a character that Windows-1251 does not have"};
    if (bytes->size() > TCryptLib::kMaxPasswordLength) {
        rt::SecureZero(bytes->data(), bytes->size());
        throw UsageError{"the password is longer than " + std::to_string(TCryptLib::kMaxPasswordLength) + " characters"};
    }
    return std::move(*bytes);
}

std::string FirstLine(const std::string& text) {
    // Editors on Windows like to start UTF-8 files with a byte order mark.
    const std::size_t start = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    const std::size_t end = text.find_first_of("\r\n", start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace cli
