// What the desktop program's tests share: the programs built beside them,
// starting a process and waiting for it, and a scratch folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <windows.h>

#include "tests/support/files.h"

namespace apptest {

// A program of the build, found from this test's own place in it
// (build/windows/tests/app): "app/Tessavel.exe", "cli/tessavel-cli.exe".
std::filesystem::path BuiltProgram(const wchar_t* relative);

// A started process; the handle is closed with the object.
class Process {
public:
    // `show`: the show command the program is started with, or -1 for none;
    // `folder`: its current folder (empty: this process's).
    Process(const std::filesystem::path& program, const std::vector<std::wstring>& arguments, int show = -1,
            const std::filesystem::path& folder = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    DWORD Id() const noexcept { return info_.dwProcessId; }
    // The exit code, or STILL_ACTIVE after `timeoutMs`.
    DWORD Wait(DWORD timeoutMs = 60000);
    void Kill();

private:
    PROCESS_INFORMATION info_{};
};

// Runs a program to its end; its exit code.
DWORD RunProgram(const std::filesystem::path& program, const std::vector<std::wstring>& arguments);

// The shared test folder, named in the wide paths these tests hand to
// windows and programs.
class Scratch : public testfiles::TempFolder {
public:
    std::filesystem::path operator/(const std::wstring& name) const { return path() / name; }
    const std::filesystem::path& Path() const noexcept { return path(); }
};

inline std::string ReadAll(const std::filesystem::path& file) { return testfiles::ReadText(testfiles::NameOf(file)); }
inline void WriteAll(const std::filesystem::path& file, const std::string& bytes) {
    testfiles::WriteText(testfiles::NameOf(file), bytes);
}
// Text that compresses well, and a tail of noise, so both passes matter.
std::string SampleBytes(std::size_t size);

}  // namespace apptest
