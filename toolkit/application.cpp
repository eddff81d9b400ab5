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

void Application::SetTitle(std::wstring title) {
    title_ = std::move(title);
    if (handle_) SetWindowTextW(handle_, title_.c_str());
}

void Application::DestroyForms() {
    mainForm_ = nullptr;
    while (ComponentCount() > 0) Free(ComponentAt(ComponentCount() - 1));
    if (handle_) DestroyWindow(std::exchange(handle_, nullptr));
}

// --- the taskbar's window ---------------------------------------------------

namespace {

constexpr UINT kActivateProgram = WM_APP + 1;

bool OwnThread(HWND hwnd) { return GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId(); }

// Whether `owner` owns `hwnd`, directly or through other windows.
// (GetAncestor's root owner follows owners of pop-ups only.)
bool OwnedBy(HWND hwnd, HWND owner) {
    for (HWND w = GetWindow(hwnd, GW_OWNER); w; w = GetWindow(w, GW_OWNER))
        if (w == owner) return true;
    return false;
}

}  // namespace

HWND Application::Handle() {
    if (handle_) return handle_;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TkApplication";
    if (!GetClassInfoExW(wc.hInstance, wc.lpszClassName, &wc)) Check(RegisterClassExW(&wc) != 0, "RegisterClassEx");
    // A caption and a system menu give the taskbar entry its menu and its
    // minimize; with no size the window itself is never seen.
    handle_ = CreateWindowExW(0, L"TkApplication", title_.c_str(),
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS,
                              GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
    Check(handle_ != nullptr, "CreateWindowEx");
    return handle_;
}

void Application::Minimize() { ShowWindow(Handle(), SW_MINIMIZE); }

LRESULT CALLBACK Application::WindowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    Application& app = Instance();
    if (hwnd != app.handle_) return DefWindowProcW(hwnd, msg, w, l);
    try {
        return app.HandleWindowMessage(msg, w, l);
    } catch (...) {
        app.HandleException(std::current_exception());
        return 0;
    }
}

LRESULT Application::HandleWindowMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
    case WM_ACTIVATE:
        // Activated from the taskbar or the task switcher: the program's
        // own window takes the activation once this one has it.
        if (LOWORD(w) != WA_INACTIVE && !HIWORD(w)) PostMessageW(handle_, kActivateProgram, 0, 0);
        return 0;
    case kActivateProgram:
        if (GetActiveWindow() == handle_) ActivateProgramWindow();
        return 0;
    case WM_SIZE:
        if (w == SIZE_MINIMIZED) {
            HideProgramWindows();
        } else if (w == SIZE_RESTORED) {
            ShowProgramWindows();
            PostMessageW(handle_, kActivateProgram, 0, 0);
        }
        return 0;
    case WM_CLOSE:
        if (mainForm_) mainForm_->Close();
        return 0;
    default:
        return DefWindowProcW(handle_, msg, w, l);
    }
}

// Every shown window of the program goes with the taskbar entry, the
// windows of the main form's own (dialogs) as well as the main form.
void Application::HideProgramWindows() {
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
        if (OwnThread(w) && IsWindowVisible(w) && OwnedBy(w, handle_))
            hidden_.push_back(w);
    for (HWND w : hidden_) ShowWindow(w, SW_HIDE);
}

void Application::ShowProgramWindows() {
    // The lowest first, so that they come back in their order.
    for (auto it = hidden_.rbegin(); it != hidden_.rend(); ++it)
        if (IsWindow(*it)) ShowWindow(*it, SW_SHOWNA);
    hidden_.clear();
    if (std::exchange(showMainFormOnRestore_, false) && mainForm_) mainForm_->Show();
}

// The window the user last worked in: the main form, or the modal window
// that keeps it disabled.
void Application::ActivateProgramWindow() {
    HWND target = GetLastActivePopup(handle_);
    if (target == handle_ || !IsWindowVisible(target) || !IsWindowEnabled(target)) {
        target = nullptr;
        for (HWND w = GetTopWindow(nullptr); w && !target; w = GetWindow(w, GW_HWNDNEXT))
            if (w != handle_ && OwnThread(w) && IsWindowVisible(w) && IsWindowEnabled(w)) target = w;
    }
    if (target) SetForegroundWindow(target);
}

void Application::Freeing(Component& component) {
    if (&component == mainForm_) mainForm_ = nullptr;
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
        mainForm_->Handle();
        for (WPARAM size : {ICON_BIG, ICON_SMALL})
            SendMessageW(Handle(), WM_SETICON, size, SendMessageW(mainForm_->Handle(), WM_GETICON, size, 0));
        if (show == SW_SHOWMINNOACTIVE) {
            // Only the taskbar entry, minimized; the window comes up when
            // the entry is restored.
            showMainFormOnRestore_ = true;
            ShowWindow(Handle(), SW_SHOWMINNOACTIVE);
        } else {
            mainForm_->Show(show);
            ShowWindow(Handle(), SW_SHOWNA);
        }
    }
    while (HandleMessage()) {
    }
}

bool Application::ProcessMessage(MSG& msg) {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
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
