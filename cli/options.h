// Command-line parsing of tessavel-cli, apart from main() so that tests and
// fuzzing reach it directly.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cryptlib/program_keys.h"

namespace cli {

enum class Command { Encrypt, Decrypt, Check, Help, Version };

struct Options {
    Command command = Command::Help;
    // SOURCE and DEST, or the FILEs of --in-place, --output-dir and check.
    std::vector<std::string> files;
    bool inPlace = false;
    std::optional<std::string> outputDir;
    std::optional<std::string> passwordFile;
    bool compression = true;
    std::int32_t addKey = tessavel::kAddKey;  // the desktop program's, so files open in either
    std::int32_t multKey = tessavel::kMultKey;
    bool force = false;
    bool quiet = false;
    unsigned threads = 0;  // that compress; 0: the machine's hardware threads
};

// One file's work: its source, and the name its result goes under (the
// source itself in place; empty for a check, which writes nothing).
struct Job {
    std::string source;
    std::string result;
    friend bool operator==(const Job&, const Job&) = default;
};

// A command line, option value or password that cannot be taken: exit
// status 2, with the usage text.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

Options Parse(const std::vector<std::string>& args);  // args[0] is the program

// The jobs of an encrypt, decrypt or check command, in the order given, by
// their names alone.  UsageError when two results would have one name.
std::vector<Job> Jobs(const Options& options);

// A password as the cipher takes it: the Windows-1251 bytes of at most
// TCryptLib::kMaxPasswordLength characters.  Throws UsageError for a character outside Windows-1251 or a
// longer password.
std::string PasswordBytes(const std::string& utf8);

// The text of a password file up to its first line break.
std::string FirstLine(const std::string& text);

// The usage text, with the defaults it names.
std::string Usage();

// Every option and command the parser takes, for the check that the manual
// page names them all.
std::vector<std::string> Vocabulary();

}  // namespace cli
