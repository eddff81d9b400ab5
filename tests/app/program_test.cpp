// The real program, from outside, as a user meets it: its window found on
// the desktop, its fields filled and its buttons pressed with messages.
#include <gtest/gtest.h>

#include "app/cipher.h"
#include "cryptlib/program_keys.h"
#include "tests/app/app_support.h"
#include "toolkit/text.h"

namespace {

using apptest::Process;
using apptest::ReadAll;
using apptest::Scratch;
using apptest::WriteAll;

// A visible top-level window of process `pid` with `caption` (any caption
// when empty) and class `className` (any when null).
HWND FindProcessWindow(DWORD pid, const std::wstring& caption, const wchar_t* className = nullptr,
                       DWORD timeoutMs = 30000) {
    struct Search {
        DWORD pid;
        const std::wstring* caption;
        const wchar_t* className;
        HWND found = nullptr;
    };
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    do {
        Search s{pid, &caption, className};
        EnumWindows(
            [](HWND w, LPARAM l) -> BOOL {
                auto* search = reinterpret_cast<Search*>(l);
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner != search->pid || !IsWindowVisible(w)) return TRUE;
                wchar_t text[256] = {}, cls[256] = {};
                GetWindowTextW(w, text, 256);
                GetClassNameW(w, cls, 256);
                if ((search->caption->empty() || *search->caption == text) &&
                    (!search->className || wcscmp(cls, search->className) == 0)) {
                    search->found = w;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        Sleep(50);
    } while (GetTickCount64() < end);
    return nullptr;
}

// The child of `parent` at client position (x, y) of the stored layout, or
// with the caption `text`.
HWND ChildAt(HWND parent, int x, int y) {
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        if (r.left == x && r.top == y) return c;
    }
    return nullptr;
}

HWND ChildTitled(HWND parent, const wchar_t* text) { return FindWindowExW(parent, nullptr, nullptr, text); }

// A press of a button as its parent hears of it; returns once its run has
// ended (the button is usable again).
void Press(HWND window, HWND button) {
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
    for (int i = 0; i < 2400 && !IsWindowEnabled(button); ++i) Sleep(50);
}

// The text as the window itself holds it (an edit keeps its own).
std::wstring TextOf(HWND w) {
    wchar_t text[1024] = {};
    SendMessageW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return text;
}

TEST(Program, EncryptsAndDecryptsThroughItsWindowAndEndsWithZero) {
    Scratch scratch;
    const std::string original = apptest::SampleBytes(300000);
    WriteAll(scratch / L"документ.txt", original);

    Process program(apptest::BuiltProgram(L"app/Tessavel.exe"), {});
    const HWND window = FindProcessWindow(program.Id(), L"Tessavel");
    ASSERT_TRUE(window);
    const HWND input = ChildAt(window, 112, 64), output = ChildAt(window, 112, 88);
    const HWND encrypt = ChildTitled(window, L"Зашифровать"), decrypt = ChildTitled(window, L"Расшифровать");
    ASSERT_TRUE(input && output && encrypt && decrypt);

    SendMessageW(input, WM_SETTEXT, 0, reinterpret_cast<LPARAM>((scratch / L"документ.txt").c_str()));
    SendMessageW(output, WM_SETTEXT, 0, reinterpret_cast<LPARAM>((scratch / L"sealed").c_str()));
    Press(window, encrypt);
    ASSERT_TRUE(std::filesystem::exists(scratch / L"sealed"));

    // What the window made opens with the stored constants and the default
    // password in this process's own cipher.
    TCryptLib check;
    check.SetAddKey(tessavel::kAddKey);
    check.SetMultKey(tessavel::kMultKey);
    check.SetPassword("marigold");
    check.SetInfile(tk::Narrow((scratch / L"sealed").wstring()));
    check.SetOutfile(tk::Narrow((scratch / L"check").wstring()));
    check.DecryptFile();
    EXPECT_TRUE(original == ReadAll(scratch / L"check"));

    SendMessageW(input, WM_SETTEXT, 0, reinterpret_cast<LPARAM>((scratch / L"sealed").c_str()));
    SendMessageW(output, WM_SETTEXT, 0, reinterpret_cast<LPARAM>((scratch / L"opened").c_str()));
    Press(window, decrypt);
    EXPECT_TRUE(original == ReadAll(scratch / L"opened"));
    EXPECT_FALSE(FindProcessWindow(program.Id(), L"Error", nullptr, 0)) << "success shows nothing";

    // The exit button ends the program with exit code 0.
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(ChildTitled(window, L"Выход")), BN_CLICKED),
                 reinterpret_cast<LPARAM>(ChildTitled(window, L"Выход")));
    EXPECT_EQ(0u, program.Wait());
}

// The title comes from the executable's name; the exception box carries it
// and the message with its full stop; the window carries on; closing it by
// its title bar ends the program with exit code 0.
TEST(Program, TitleComesFromTheExecutableAndTheExceptionBoxCarriesIt) {
    Scratch scratch;
    std::filesystem::copy_file(apptest::BuiltProgram(L"app/Tessavel.exe"), scratch / L"CIPHER.EXE");
    Process program(scratch / L"CIPHER.EXE", {});
    const HWND window = FindProcessWindow(program.Id(), L"Tessavel");
    ASSERT_TRUE(window);

    // Both file fields empty: the cipher refuses.
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(ChildTitled(window, L"Зашифровать")), BN_CLICKED),
                 reinterpret_cast<LPARAM>(ChildTitled(window, L"Зашифровать")));
    const HWND box = FindProcessWindow(program.Id(), L"Cipher", L"#32770");
    ASSERT_TRUE(box);
    bool textShown = false;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        textShown |= TextOf(c) == L"TCryptLib.Infile is empty.";
    EXPECT_TRUE(textShown);
    EXPECT_FALSE(IsWindowEnabled(window)) << "the other windows wait for the box";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 200 && !IsWindowEnabled(window); ++i) Sleep(50);
    EXPECT_TRUE(IsWindowEnabled(window));
    EXPECT_TRUE(std::filesystem::exists(scratch / L"CIPHER.EXE"));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(scratch.Path()), {}));

    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0u, program.Wait());
}

// The taskbar shows one entry for the program, captioned with its title:
// the window the main window is owned by.  It restores, minimizes and
// closes the program as the main window's own entry would; started
// minimized, the program is that entry alone until it is restored.
TEST(Program, TheTaskbarEntryCarriesTheTitleAndActsForTheWindow) {
    Scratch scratch;
    std::filesystem::copy_file(apptest::BuiltProgram(L"app/Tessavel.exe"), scratch / L"CIPHER.EXE");
    Process program(scratch / L"CIPHER.EXE", {}, SW_SHOWMINNOACTIVE);
    const HWND entry = FindProcessWindow(program.Id(), L"Cipher");
    ASSERT_TRUE(entry);
    const auto waitFor = [](const auto& condition) {
        for (int i = 0; i < 200 && !condition(); ++i) Sleep(25);
        return condition();
    };
    EXPECT_TRUE(waitFor([&] { return IsIconic(entry) != FALSE; }));
    EXPECT_FALSE(GetWindow(entry, GW_OWNER));
    EXPECT_FALSE(GetWindowLongW(entry, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

    PostMessageW(entry, WM_SYSCOMMAND, SC_RESTORE, 0);
    const HWND window = FindProcessWindow(program.Id(), L"Tessavel");
    ASSERT_TRUE(window);
    EXPECT_EQ(GetWindow(window, GW_OWNER), entry) << "the main window stands on the taskbar itself";
    EXPECT_FALSE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_TRUE(waitFor([&] { return !IsIconic(entry) && GetForegroundWindow() == window; }));
    RECT r;
    GetWindowRect(entry, &r);
    EXPECT_TRUE(IsRectEmpty(&r)) << "nothing of it shows on the screen";

    PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(waitFor([&] { return IsIconic(entry) && !IsWindowVisible(window); }));
    PostMessageW(entry, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(waitFor([&] { return !IsIconic(entry) && IsWindowVisible(window) && GetForegroundWindow() == window; }));

    PostMessageW(entry, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0u, program.Wait());
}

// The window comes up as the program was asked to start it.
TEST(Program, StartsMaximizedOrMinimizedWhenAskedTo) {
    for (int show : {SW_SHOWMAXIMIZED, SW_SHOWMINNOACTIVE, SW_SHOWNORMAL}) {
        Process program(apptest::BuiltProgram(L"app/Tessavel.exe"), {}, show);
        const HWND window = FindProcessWindow(program.Id(), L"Tessavel");
        ASSERT_TRUE(window) << show;
        const auto settled = [&] {
            return static_cast<bool>(IsZoomed(window)) == (show == SW_SHOWMAXIMIZED) &&
                   static_cast<bool>(IsIconic(window)) == (show == SW_SHOWMINNOACTIVE);
        };
        for (int i = 0; i < 100 && !settled(); ++i) Sleep(50);
        EXPECT_TRUE(settled()) << show << " zoomed " << IsZoomed(window) << " iconic " << IsIconic(window);
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(0u, program.Wait()) << show;
    }
}

// During a long run the window answers at once and shows its progress;
// closing it stops the run, which leaves no destination and no work file,
// and the program ends with exit code 0.  The files come from the command
// line, relative to the program's current folder.
TEST(Program, AnswersDuringLongWorkAndClosingStopsIt) {
    Scratch scratch;
    WriteAll(scratch / L"big.txt", apptest::SampleBytes(48u << 20));
    Process program(apptest::BuiltProgram(L"app/Tessavel.exe"), {L"big.txt", L"sealed.tsv"}, -1, scratch.Path());
    const HWND window = FindProcessWindow(program.Id(), L"Tessavel");
    ASSERT_TRUE(window);
    EXPECT_EQ((scratch / L"big.txt").wstring(), TextOf(ChildAt(window, 112, 64)));
    EXPECT_EQ((scratch / L"sealed.tsv").wstring(), TextOf(ChildAt(window, 112, 88)));

    const HWND encrypt = ChildTitled(window, L"Зашифровать");
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(encrypt), BN_CLICKED), reinterpret_cast<LPARAM>(encrypt));
    bool progress = false;
    for (int i = 0; i < 1200 && !progress; ++i, Sleep(50)) progress = TextOf(window).find(L'%') != std::wstring::npos;
    ASSERT_TRUE(progress) << "the caption shows a per cent";
    for (int i = 0; i < 5; ++i) {
        const ULONGLONG start = GetTickCount64();
        DWORD_PTR result = 0;
        EXPECT_TRUE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 300, &result));
        EXPECT_LT(GetTickCount64() - start, 300u);
        Sleep(50);
    }
    EXPECT_FALSE(IsWindowEnabled(encrypt));
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0u, program.Wait());
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(scratch.Path()), {}))
        << "no destination and no work file";
}

}  // namespace
