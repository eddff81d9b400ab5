// The console on Windows, through the wide console API so that every
// character shows and can be typed.
#include <memory>

#include <windows.h>
#include <shellapi.h>

#include "runtime/console.h"
#include "runtime/secret.h"
#include "runtime/text.h"
#include "runtime/win32_handle.h"

namespace rt {
namespace {

struct LocalFreeDeleter {
    void operator()(LPWSTR* p) const noexcept { LocalFree(p); }
};

using win32::OwnedHandle;

bool IsConsole(HANDLE handle) {
    DWORD mode;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

void WriteConsoleText(HANDLE console, const std::u16string& text) {
    const wchar_t* p = reinterpret_cast<const wchar_t*>(text.data());
    std::size_t left = text.size();
    while (left > 0) {
        DWORD n = 0;
        const DWORD piece = static_cast<DWORD>(left < 16384 ? left : 16384);
        if (!WriteConsoleW(console, p, piece, &n, nullptr) || n == 0) return;
        p += n;
        left -= n;
    }
}

// Echo comes back on even when Ctrl+C or closing the window ends the
// program during the prompt; the handler runs on a thread of its own.
HANDLE quietInput = nullptr;
DWORD savedInputMode = 0;

BOOL WINAPI RestoreOnBreak(DWORD) {
    if (quietInput) SetConsoleMode(quietInput, savedInputMode);
    return FALSE;  // the default handler still ends the program
}

class QuietConsole {
public:
    QuietConsole(HANDLE input, DWORD mode) {
        savedInputMode = mode;
        quietInput = input;
        SetConsoleCtrlHandler(RestoreOnBreak, TRUE);
        SetConsoleMode(input, (mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT |
                                  ENABLE_PROCESSED_INPUT);
    }
    ~QuietConsole() {
        SetConsoleMode(quietInput, savedInputMode);
        SetConsoleCtrlHandler(RestoreOnBreak, FALSE);
        quietInput = nullptr;
    }
    QuietConsole(const QuietConsole&) = delete;
    QuietConsole& operator=(const QuietConsole&) = delete;
};

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    // argv went through the system code page, which cannot hold every name.
    int count = 0;
    const std::unique_ptr<LPWSTR, LocalFreeDeleter> wide(CommandLineToArgvW(GetCommandLineW(), &count));
    if (!wide) return {argv, argv + argc};
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        arguments.push_back(Utf16ToUtf8(reinterpret_cast<const char16_t*>(wide.get()[i])));
    }
    return arguments;
}

bool StdinIsTerminal() noexcept { return IsConsole(GetStdHandle(STD_INPUT_HANDLE)); }

bool StderrIsTerminal() noexcept { return IsConsole(GetStdHandle(STD_ERROR_HANDLE)); }

std::optional<std::string> ReadPasswordFromTerminal(const std::string& prompt) {
    // The console itself, as /dev/tty is elsewhere: standard input may be
    // redirected while a person still sits at the console.
    const OwnedHandle input(CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    DWORD mode;
    if (!input.valid() || !GetConsoleMode(input.get(), &mode)) return std::nullopt;
    const OwnedHandle output(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));

    std::u16string line;
    line.reserve(256);
    bool ended = false;
    {
        const QuietConsole quiet(input.get(), mode);
        if (output.valid()) WriteConsoleText(output.get(), Utf8ToUtf16(prompt));
        for (;;) {
            wchar_t c;
            DWORD n = 0;
            if (!ReadConsoleW(input.get(), &c, 1, &n, nullptr) || n == 0) {
                // Ctrl+C breaks the read at once, while the handler that
                // ends the program runs on a thread of its own: give it the
                // moment it needs rather than report an empty password.
                if (GetLastError() == ERROR_OPERATION_ABORTED) Sleep(500);
                ended = line.empty();
                break;
            }
            if (c == L'\n') break;
            if (c != L'\r') AppendSecret(line, static_cast<char16_t>(c));
        }
    }
    if (output.valid()) WriteConsoleText(output.get(), u"\r\n");
    std::optional<std::string> result;
    if (!ended) result = Utf16ToUtf8(line);
    SecureZero(line.data(), line.size() * sizeof(char16_t));
    return result;
}

namespace {

void WriteTo(DWORD which, const std::string& utf8) {
    const HANDLE stream = GetStdHandle(which);
    if (stream == INVALID_HANDLE_VALUE || stream == nullptr) return;
    if (IsConsole(stream)) {
        WriteConsoleText(stream, Utf8ToUtf16(utf8));
        return;
    }
    const char* p = utf8.data();
    std::size_t left = utf8.size();
    while (left > 0) {
        DWORD n = 0;
        const DWORD piece = static_cast<DWORD>(left < (1u << 30) ? left : (1u << 30));
        if (!WriteFile(stream, p, piece, &n, nullptr) || n == 0) return;
        p += n;
        left -= n;
    }
}

}  // namespace

void WriteError(const std::string& utf8) { WriteTo(STD_ERROR_HANDLE, utf8); }

void WriteOutput(const std::string& utf8) { WriteTo(STD_OUTPUT_HANDLE, utf8); }

}  // namespace rt
