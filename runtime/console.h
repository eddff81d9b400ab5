// What the command-line front end needs of the console.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rt {

// The program's arguments as UTF-8 (on Windows from the wide command line,
// so any file name survives).
std::vector<std::string> CommandLineArguments(int argc, char** argv);

bool StdinIsTerminal() noexcept;
bool StderrIsTerminal() noexcept;

// Prompts on the terminal and reads one line without echo, as UTF-8, without
// its line break.  nullopt when there is no terminal or input ended.
std::optional<std::string> ReadPasswordFromTerminal(const std::string& prompt);

// Write UTF-8 text to stderr and stdout so that it shows correctly on a
// Windows console.  Unbuffered: what is written is out at once.
void WriteError(const std::string& utf8);
void WriteOutput(const std::string& utf8);

}  // namespace rt
