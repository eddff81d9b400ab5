#include "tests/app/app_support.h"

#include <random>
#include <stdexcept>

#include <gtest/gtest.h>

namespace apptest {

std::filesystem::path BuiltProgram(const wchar_t* relative) {
    wchar_t self[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
    return std::filesystem::path(std::wstring(self, n)).parent_path().parent_path().parent_path() / relative;
}

namespace {

// One argument as the C runtime of the started program splits it back.
std::wstring Quoted(const std::wstring& argument) {
    std::wstring out = L"\"";
    std::size_t slashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        out += c;
    }
    out.append(slashes * 2, L'\\');
    return out + L"\"";
}

}  // namespace

Process::Process(const std::filesystem::path& program, const std::vector<std::wstring>& arguments, int show,
                 const std::filesystem::path& folder) {
    std::wstring line = Quoted(program.wstring());
    for (const auto& a : arguments) line += L" " + Quoted(a);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (show >= 0) {
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = static_cast<WORD>(show);
    }
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &info_))
        throw std::runtime_error("cannot start " + program.string());
    CloseHandle(info_.hThread);
}

Process::~Process() {
    if (Wait(0) == STILL_ACTIVE) Kill();
    CloseHandle(info_.hProcess);
}

DWORD Process::Wait(DWORD timeoutMs) {
    WaitForSingleObject(info_.hProcess, timeoutMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void Process::Kill() {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 10000);
}

DWORD RunProgram(const std::filesystem::path& program, const std::vector<std::wstring>& arguments) {
    Process p(program, arguments);
    return p.Wait();
}

std::string SampleBytes(std::size_t size) {
    std::string out;
    while (out.size() < size / 2) out += "The quick brown fox jumps over the lazy dog. ";
    std::mt19937 noise(7);
    while (out.size() < size) out += static_cast<char>(noise());
    return out;
}

}  // namespace apptest
