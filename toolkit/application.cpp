#include "application.h"

#include "text.h"

#include <cwctype>
#include <new>

namespace tk {

Application& Application::Instance() {
    static Application* app = new Application;  // lives as long as the process
    return *app;
}

Application::Application() {
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    title_ = TitleFromPath(std::wstring_view(path, n));
}

std::wstring Application::TitleFromPath(std::wstring_view path) {
    const size_t slash = path.find_last_of(L"\\/:");
    std::wstring name(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
    name = name.substr(0, name.find(L'.'));
    if (name.size() > 1) CharLowerBuffW(name.data() + 1, static_cast<DWORD>(name.size() - 1));
    return name;
}

void Application::DestroyForms() {
    mainForm_ = nullptr;
    while (ComponentCount() > 0) Free(ComponentAt(ComponentCount() - 1));
}

void Application::Forget(Form* form) noexcept {
    if (mainForm_ == form) mainForm_ = nullptr;
}

void Application::Run() {
    if (mainForm_) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        GetStartupInfoW(&si);
        int show = SW_SHOWNORMAL;
        if (si.dwFlags & STARTF_USESHOWWINDOW) {
            if (si.wShowWindow == SW_SHOWMAXIMIZED) show = SW_SHOWMAXIMIZED;
            else if (si.wShowWindow == SW_SHOWMINNOACTIVE) show = SW_SHOWMINNOACTIVE;
        }
        mainForm_->Show(show);
    }
    while (HandleMessage()) {
    }
}

bool Application::ProcessMessage(MSG& msg) {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        exitCode_ = static_cast<int>(msg.wParam);
        return true;
    }
    // Keyboard navigation of forms: Tab, Enter for the default button,
    // Escape for the cancel button.
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST && msg.hwnd) {
        HWND root = GetAncestor(msg.hwnd, GA_ROOT);
        if (dynamic_cast<Form*>(Control::FromHandle(root)) && IsDialogMessageW(root, &msg)) return true;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

bool Application::HandleMessage() {
    if (terminated_) return false;
    MSG msg;
    if (!ProcessMessage(msg)) WaitMessage();
    return !terminated_;
}

void Application::ProcessMessages() {
    MSG msg;
    while (!terminated_ && ProcessMessage(msg)) {
    }
}

void Application::Terminate() { PostQuitMessage(0); }

std::wstring Application::ExceptionText(std::wstring message) {
    if (!message.empty() && message.back() > L'.') message += L'.';
    return message;
}

void Application::ShowException(const std::exception& error) {
    const std::wstring text = ExceptionText(WidenMessage(error.what()));
    // The box disables its owner itself and enables it again before it
    // closes, so that the activation returns to the owner; disabled here
    // too, the owner would stay disabled until the box had gone and the
    // activation would go to some other program's window.
    HWND owner = GetActiveWindow();
    if (!owner && mainForm_ && mainForm_->HandleAllocated() && IsWindowVisible(mainForm_->Handle()))
        owner = mainForm_->Handle();  // the program is in the background
    WindowDisabler disabler(owner);
    const UINT type = MB_OK | MB_ICONSTOP;
    if (messageBox_) messageBox_(owner, text, title_, type);
    else MessageBoxW(owner, text.c_str(), title_.c_str(), type);
}

void Application::HandleException(std::exception_ptr error) noexcept {
    try {
        if (OnException) {
            OnException(error);
            return;
        }
        try {
            std::rethrow_exception(error);
        } catch (const std::bad_alloc&) {
            ShowException(Error("Out of memory"));
        } catch (const std::exception& e) {
            ShowException(e);
        } catch (...) {
            ShowException(Error("Unexpected error"));
        }
    } catch (...) {
        // A failing handler must not take the message loop down with it.
    }
}

void HandleDispatchException(std::exception_ptr error) noexcept { Application::Instance().HandleException(error); }

// --- WindowDisabler -------------------------------------------------------

WindowDisabler::WindowDisabler(HWND except) : except_(except) {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM self) -> BOOL {
            auto* d = reinterpret_cast<WindowDisabler*>(self);
            if (hwnd != d->except_ && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
                d->disabled_.push_back(hwnd);
                EnableWindow(hwnd, FALSE);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
}

void WindowDisabler::Restore() noexcept {
    for (HWND hwnd : disabled_)
        if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
    disabled_.clear();
}

}  // namespace tk
