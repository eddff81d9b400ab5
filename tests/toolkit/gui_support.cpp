#include "tests/toolkit/gui_support.h"

#include <windows.h>

namespace guitest {

bool WaitUntil(const std::function<bool()>& condition, unsigned timeoutMs) {
    tk::Application& app = tk::Application::Instance();
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        app.ProcessMessages();
        if (condition()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

void Settle() {
    tk::Application::Instance().ProcessMessages();
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM) -> BOOL {
            RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            return TRUE;
        },
        0);
    tk::Application::Instance().ProcessMessages();
}

namespace {

void SendMouse(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

}  // namespace

// The system moves the pointer and tells the window under it, as for a
// move of the mouse.  Wine echoes the move back through the desktop's own
// process, which reads it from the X server whenever it gets round to it;
// an echo read after a later move would put the pointer back.  Two round
// trips to the desktop's thread (each runs its input reading once) let the
// echo land before anything else happens.
void MoveMouseToScreen(POINT p) {
    SetCursorPos(p.x, p.y);
    for (int i = 0; i < 2; ++i)
        SendMessageTimeoutW(GetDesktopWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 2000, nullptr);
    WaitUntil([&] {
        POINT now;
        return GetCursorPos(&now) && now.x == p.x && now.y == p.y;
    });
}

void MoveMouseTo(HWND window, POINT client) {
    ClientToScreen(window, &client);
    MoveMouseToScreen(client);
}

void MoveMouseAway() {
    MoveMouseToScreen({GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2});
}

void LeftDown() { SendMouse(MOUSEEVENTF_LEFTDOWN); }
void LeftUp() { SendMouse(MOUSEEVENTF_LEFTUP); }

void ButtonDown(tk::MouseButton button) {
    SendMouse(button == tk::MouseButton::Left    ? MOUSEEVENTF_LEFTDOWN
              : button == tk::MouseButton::Right ? MOUSEEVENTF_RIGHTDOWN
                                                 : MOUSEEVENTF_MIDDLEDOWN);
}

void ButtonUp(tk::MouseButton button) {
    SendMouse(button == tk::MouseButton::Left    ? MOUSEEVENTF_LEFTUP
              : button == tk::MouseButton::Right ? MOUSEEVENTF_RIGHTUP
                                                 : MOUSEEVENTF_MIDDLEUP);
}

void SetKeyDown(int virtualKey, bool down) {
    BYTE state[256];
    GetKeyboardState(state);
    state[virtualKey] = down ? 0x80 : 0;
    SetKeyboardState(state);
}

COLORREF WindowPixel(HWND window, int x, int y) {
    HDC dc = GetWindowDC(window);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
}

COLORREF ClientPixel(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return c;
}

HWND FindThreadWindow(const std::function<bool(HWND)>& match) {
    struct Search {
        const std::function<bool(HWND)>* match;
        HWND found = nullptr;
    } search{&match};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM l) -> BOOL {
            auto* s = reinterpret_cast<Search*>(l);
            if (IsWindowVisible(hwnd) && (*s->match)(hwnd)) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

namespace {

struct PendingWindow {
    std::function<bool(HWND)> match;
    std::function<void(HWND)> action;
    ULONGLONG deadline = 0;
    UINT_PTR timer = 0;
};
PendingWindow pending;

void CALLBACK CheckPending(HWND, UINT, UINT_PTR, DWORD) {
    if (!pending.timer) return;
    HWND found = FindThreadWindow(pending.match);
    if (!found && GetTickCount64() < pending.deadline) return;
    KillTimer(nullptr, pending.timer);
    PendingWindow now = std::move(pending);
    pending = {};
    if (found) {
        now.action(found);
    } else {
        ADD_FAILURE() << "the awaited window did not come up";
        if (HWND active = GetActiveWindow()) PostMessageW(active, WM_CLOSE, 0, 0);
    }
}

}  // namespace

void WhenWindowUp(std::function<bool(HWND)> match, std::function<void(HWND)> action, unsigned timeoutMs) {
    if (pending.timer) KillTimer(nullptr, pending.timer);
    pending.match = std::move(match);
    pending.action = std::move(action);
    pending.deadline = GetTickCount64() + timeoutMs;
    pending.timer = SetTimer(nullptr, 0, 20, CheckPending);
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256];
    return std::wstring(name, static_cast<size_t>(GetClassNameW(window, name, 256)));
}

std::function<bool(HWND)> Titled(std::wstring caption) {
    return [caption = std::move(caption)](HWND w) { return WindowText(w) == caption; };
}

std::function<bool(HWND)> OfClass(std::wstring className) {
    return [className = std::move(className)](HWND w) { return ClassOf(w) == className; };
}

std::size_t GdiObjects() {
    if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return n;
    // Wine does not count; its handle table in the process environment
    // block does (the entry layout of Wine's shared GDI table).
    struct Entry {
        UINT64 object;
        ULONG owner;
        USHORT unique;
        UCHAR type;
        UCHAR flags;
        UINT64 user;
    };
    BYTE* peb;
    __asm__("movq %%gs:0x60, %0" : "=r"(peb));
    auto* table = *reinterpret_cast<Entry**>(peb + 0xF8);
    if (!table) return 0;
    std::size_t count = 0;
    for (unsigned i = 0; i < 0x10000; ++i)
        if (table[i].type) {
            auto h = reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(i | (static_cast<ULONG>(table[i].unique) << 16)));
            if (GetObjectType(h)) ++count;
        }
    return count;
}

void WindowTest::SetUp() {
    tk::Application& app = tk::Application::Instance();
    app.OnException = [this](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            errors.push_back(x.what());
        } catch (...) {
            errors.push_back("?");
        }
    };
    form_ = &app.Own<tk::Form>();
    form_->SetBounds(100, 100, 0, 0);
    form_->SetClientSize(420, 300);
    form_->SetText(L"test");
    form_->Show();
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(form_->Handle()) && GetForegroundWindow() == form_->Handle(); }));
}

void WindowTest::TearDown() {
    MoveMouseAway();
    tk::Application::Instance().Free(*form_);
    tk::Application::Instance().ProcessMessages();
    EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace guitest
