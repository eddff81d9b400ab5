#include "toolkit/application.h"

#include <algorithm>
#include <cwctype>
#include <new>

#include <dwmapi.h>
#include <shobjidl.h>

#include "toolkit/text.h"

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
    if (taskbar_) std::exchange(taskbar_, nullptr)->Release();
    taskbarTried_ = false;
    if (mainFormPicture_) DeleteObject(std::exchange(mainFormPicture_, nullptr));
    if (std::exchange(comStarted_, false)) CoUninitialize();
}

// --- the taskbar's window ---------------------------------------------------

namespace {

constexpr UINT kActivateProgram = WM_APP + 1;

bool OwnThread(HWND hwnd) { return GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId(); }

// Desktop composition's calls, looked up once: without them (no
// composition, or a system that lacks it) the taskbar shows what it can.
struct DwmCalls {
    HRESULT(WINAPI* setWindowAttribute)(HWND, DWORD, LPCVOID, DWORD) = nullptr;
    HRESULT(WINAPI* setIconicThumbnail)(HWND, HBITMAP, DWORD) = nullptr;
    HRESULT(WINAPI* setIconicLivePreviewBitmap)(HWND, HBITMAP, POINT*, DWORD) = nullptr;
    HRESULT(WINAPI* invalidateIconicBitmaps)(HWND) = nullptr;

    DwmCalls() {
        HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
        FindCall(dwm, "DwmSetWindowAttribute", setWindowAttribute);
        FindCall(dwm, "DwmSetIconicThumbnail", setIconicThumbnail);
        FindCall(dwm, "DwmSetIconicLivePreviewBitmap", setIconicLivePreviewBitmap);
        FindCall(dwm, "DwmInvalidateIconicBitmaps", invalidateIconicBitmaps);
    }
};

const DwmCalls& Dwm() {
    static const DwmCalls calls;
    return calls;
}

// A 32-bit top-down bitmap with opaque pixels, as the composition takes
// it; `paint` draws into it.
template <class Paint>
HBITMAP OpaqueBitmap(int width, int height, Paint paint) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return nullptr;
    {
        MemoryDC dc;
        Selected s(dc, bitmap);
        paint(static_cast<HDC>(dc));
    }
    GdiFlush();
    auto* pixel = static_cast<std::uint32_t*>(bits);
    for (long long i = 0, n = static_cast<long long>(width) * height; i < n; ++i) pixel[i] |= 0xFF000000u;
    return bitmap;
}

// What `window` shows now, frame included.
HBITMAP WindowPicture(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return OpaqueBitmap(r.right - r.left, r.bottom - r.top, [&](HDC dc) {
        constexpr UINT kRenderFullContent = 2;  // what the composition shows, every kind of child included
        if (!PrintWindow(window, dc, kRenderFullContent)) {
            WindowDC from(window);
            BitBlt(dc, 0, 0, r.right - r.left, r.bottom - r.top, from, 0, 0, SRCCOPY);
        }
    });
}

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
    if (Dwm().setWindowAttribute) {
        const BOOL on = TRUE;
        Dwm().setWindowAttribute(handle_, DWMWA_FORCE_ICONIC_REPRESENTATION, &on, sizeof on);
        Dwm().setWindowAttribute(handle_, DWMWA_HAS_ICONIC_BITMAP, &on, sizeof on);
    }
    return handle_;
}

ITaskbarList3* Application::TaskbarList() {
    if (taskbarTried_) return taskbar_;
    taskbarTried_ = true;
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comStarted_ = SUCCEEDED(com);
    void* list = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, &list))) {
        taskbar_ = static_cast<ITaskbarList3*>(list);
        if (FAILED(taskbar_->HrInit())) std::exchange(taskbar_, nullptr)->Release();
    }
    return taskbar_;
}

void Application::ShowProgress(std::wstring_view status, std::uint64_t done, std::uint64_t total) {
    const std::wstring caption = title_ + L" \u2014 " + std::wstring(status);
    SetWindowTextW(Handle(), caption.c_str());
    if (ITaskbarList3* list = TaskbarList()) {
        if (!progressShown_) list->SetProgressState(handle_, TBPF_NORMAL);
        list->SetProgressValue(handle_, done, total ? total : 1);
    }
    progressShown_ = true;
    if (Dwm().invalidateIconicBitmaps) Dwm().invalidateIconicBitmaps(handle_);
}

void Application::EndProgress() {
    if (!std::exchange(progressShown_, false)) return;
    SetWindowTextW(Handle(), title_.c_str());
    if (ITaskbarList3* list = TaskbarList()) list->SetProgressState(handle_, TBPF_NOPROGRESS);
    if (Dwm().invalidateIconicBitmaps) Dwm().invalidateIconicBitmaps(handle_);
}

void Application::KeepMainFormPicture() {
    if (!mainForm_ || !mainForm_->HandleAllocated() || !IsWindowVisible(mainForm_->Handle())) return;
    if (mainFormPicture_) DeleteObject(mainFormPicture_);
    mainFormPicture_ = WindowPicture(mainForm_->Handle());
}

void Application::SendIconicBitmap(bool livePreview, int maxWidth, int maxHeight) {
    if (!mainForm_ || !mainForm_->HandleAllocated()) return;
    HWND form = mainForm_->Handle();
    const bool shown = IsWindowVisible(form) && !IsIconic(form);
    HBITMAP picture = shown ? WindowPicture(form) : mainFormPicture_;
    if (!picture) return;
    BITMAP info{};
    GetObjectW(picture, sizeof info, &info);
    if (livePreview) {
        if (Dwm().setIconicLivePreviewBitmap) {
            RECT r;
            GetWindowRect(form, &r);
            POINT origin{0, 0};
            ClientToScreen(handle_, &origin);
            POINT at{r.left - origin.x, r.top - origin.y};
            Dwm().setIconicLivePreviewBitmap(handle_, picture, &at, 0);
        }
    } else if (Dwm().setIconicThumbnail && info.bmWidth > 0 && info.bmHeight > 0) {
        // As large as the taskbar asks, the proportions kept.
        int w = maxWidth, h = MulDiv(maxWidth, info.bmHeight, info.bmWidth);
        if (h > maxHeight) h = maxHeight, w = MulDiv(maxHeight, info.bmWidth, info.bmHeight);
        HBITMAP thumbnail = OpaqueBitmap(std::max(w, 1), std::max(h, 1), [&](HDC dc) {
            MemoryDC from;
            Selected s(from, picture);
            SetStretchBltMode(dc, HALFTONE);
            StretchBlt(dc, 0, 0, w, h, from, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        });
        if (thumbnail) {
            Dwm().setIconicThumbnail(handle_, thumbnail, 0);
            DeleteObject(thumbnail);
        }
    }
    if (shown) DeleteObject(picture);
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
    case WM_DWMSENDICONICTHUMBNAIL:
        SendIconicBitmap(false, HIWORD(l), LOWORD(l));
        return 0;
    case WM_DWMSENDICONICLIVEPREVIEWBITMAP:
        SendIconicBitmap(true, 0, 0);
        return 0;
    default:
        return DefWindowProcW(handle_, msg, w, l);
    }
}

// Every shown window of the program goes with the taskbar entry, the
// windows of the main form's own (dialogs) as well as the main form.
void Application::HideProgramWindows() {
    KeepMainFormPicture();
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
