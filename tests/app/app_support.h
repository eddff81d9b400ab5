// What the desktop program's tests share: the programs built beside them,
// starting a process and waiting for it, and a scratch folder.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace apptest {

// A program of the build, found from this test's own place in it
// (build/windows/tests/app): "app/Tessavel.exe", "cli/tessavel-cli.exe".
std::filesystem::path BuiltProgram(const wchar_t* relative);

// A started process; the handle is closed with the object.
class Process {
public:
    // `show`: the show command the program is started with, or -1 for none.
    Process(const std::filesystem::path& program, const std::vector<std::wstring>& arguments, int show = -1);
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

// A folder of its own under the temporary folder, removed with the object.
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::filesystem::path operator/(const std::wstring& name) const { return path_ / name; }
    const std::filesystem::path& Path() const noexcept { return path_; }

private:
    std::filesystem::path path_;
};

std::string ReadAll(const std::filesystem::path& file);
void WriteAll(const std::filesystem::path& file, const std::string& bytes);
// Text that compresses well, and a tail of noise, so both passes matter.
std::string SampleBytes(std::size_t size);

}  // namespace apptest
