// Command-line parsing of tessavel-cli, apart from main() so that tests and
// fuzzing reach it directly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cli {

inline constexpr std::int32_t kDefaultAddKey = 527190346;   // the desktop program's constants,
inline constexpr std::int32_t kDefaultMultKey = 381604275;  // so files open in either

enum class Command { Encrypt, Decrypt, Help, Version };

struct Options {
    Command command = Command::Help;
    std::string source;
    std::string dest;
    std::optional<std::string> passwordFile;
    bool compression = true;
    std::int32_t addKey = kDefaultAddKey;
    std::int32_t multKey = kDefaultMultKey;
    bool force = false;
    bool quiet = false;
};

// Throws UsageError for anything it cannot take.
struct UsageError {
    std::string message;
};

Options Parse(const std::vector<std::string>& args);  // args[0] is the program

// A password as the cipher takes it: the Windows-1251 bytes of at most 12
// characters.  Throws UsageError for a character outside Windows-1251 or a
// longer password.
std::string PasswordBytes(const std::string& utf8);

// The text of a password file up to its first line break.
std::string FirstLine(const std::string& text);

extern const char* const kUsage;

}  // namespace cli
