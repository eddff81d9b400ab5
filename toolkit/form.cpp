#include "toolkit/form.h"

#include <algorithm>

#include "toolkit/application.h"
#include "toolkit/dpi.h"
#include "toolkit/text.h"

namespace tk {

// --- Form -------------------------------------------------------------------

Form::Form() {
    SetVisible(false);
    SetColor(clBtnFace);
    // Until its window exists, a form counts on the primary screen.
    ChangeDpi(SystemDpi());
}

Form::~Form() {
    // The controls go before the window, while the form is still whole.
    while (ComponentCount() > 0) Free(ComponentAt(ComponentCount() - 1));
    if (HandleAllocated()) {
        SendMessageW(Handle(), WM_SETICON, ICON_BIG, 0);
        SendMessageW(Handle(), WM_SETICON, ICON_SMALL, 0);
    }
    for (HICON icon : madeIcons_) DestroyIcon(icon);
}

void Form::MissingComponent(std::wstring_view name) const {
    throw Error("no control " + Narrow(name) + " of the expected kind");
}

void Form::RegisterHandler(std::wstring name, NotifyEvent handler) { handlers_[std::move(name)] = std::move(handler); }

const NotifyEvent* Form::FindHandler(std::wstring_view name) const {
    auto it = handlers_.find(name);
    return it == handlers_.end() ? nullptr : &it->second;
}

void Form::Loaded() {
    if (HandleAllocated()) OrderTabs();
}

void Form::CreateParams(WindowParams& p) {
    Control::CreateParams(p);
    p.className = L"TkForm";
    p.style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_CAPTION;
    p.exStyle = WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE;
    switch (border_) {
    case BorderStyle::Single:
        p.style |= WS_BORDER;
        break;
    case BorderStyle::Dialog:
        p.exStyle |= WS_EX_DLGMODALFRAME;
        break;
    case BorderStyle::Sizeable:
        p.style |= WS_THICKFRAME;
        break;
    case BorderStyle::None:
        p.style = WS_POPUP | WS_CLIPCHILDREN;
        break;
    }
    if (border_ != BorderStyle::None && (icons_ & biSystemMenu)) {
        p.style |= WS_SYSMENU;
        if (border_ != BorderStyle::Dialog) {
            if (icons_ & biMinimize) p.style |= WS_MINIMIZEBOX;
            if (icons_ & biMaximize) p.style |= WS_MAXIMIZEBOX;
        }
    }
    // Windows other than the main form stay above it and off the taskbar;
    // the main form is owned by the application's window, which stands for
    // the program there.
    Application& app = Application::Instance();
    Form* main = app.MainForm();
    p.parent = !main ? nullptr : main != this ? main->Handle() : app.Handle();
    RECT r{0, 0, clientWidth_, clientHeight_};
    AdjustWindowRectForDpi(r, p.style, p.exStyle, Dpi());
    p.width = r.right - r.left;
    p.height = r.bottom - r.top;
    p.x = Left();
    p.y = Top();
}

void Form::CreateWnd() {
    Control::CreateWnd();
    // Made on another monitor than the primary one: that one's density.
    if (const int dpi = WindowDpi(Handle()); dpi != Dpi()) ChangeDpi(dpi);
    if (icon_) SetIcon(icon_, smallIcon_);
    OrderTabs();
}

SIZE Form::WindowSizeFor(int dpi, DWORD style, DWORD exStyle) const {
    const Scale scale(dpi);
    RECT r{0, 0, designClient_ ? scale(designClient_->cx) : clientWidth_,
           designClient_ ? scale(designClient_->cy) : clientHeight_};
    AdjustWindowRectForDpi(r, style, exStyle, dpi);
    return {r.right - r.left, r.bottom - r.top};
}

void Form::SetDesignClientSize(int width, int height) {
    designClient_ = SIZE{width, height};
    SetClientSize(Scaling()(width), Scaling()(height));
}

void Form::DpiChanged() {
    if (designClient_) SetClientSize(Scaling()(designClient_->cx), Scaling()(designClient_->cy));
    if (iconName_) MakeIcons();
}

void Form::SetIconResource(HINSTANCE module, const wchar_t* name) {
    iconModule_ = module;
    iconName_ = name;
    MakeIcons();
}

void Form::MakeIcons() {
    std::vector<HICON> old = std::move(madeIcons_);
    madeIcons_.clear();
    for (int metric : {SM_CXICON, SM_CXSMICON})
        if (HICON icon = PixelArtIcon(iconModule_, iconName_, SystemMetricForDpi(metric, Dpi())))
            madeIcons_.push_back(icon);
    if (madeIcons_.size() == 2) SetIcon(madeIcons_[0], madeIcons_[1]);
    for (HICON icon : old) DestroyIcon(icon);
}

// The system has moved the form to a monitor of another density (or the
// user has changed it): everything is laid out anew at it, at the place
// the system suggests.
void Form::OnDpiChanged(int dpi, const RECT& suggested) {
    ChangeDpi(dpi);
    SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, Width(), Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void Form::SetIcon(HICON big, HICON smallIcon) {
    icon_ = big;
    smallIcon_ = smallIcon ? smallIcon : big;
    if (HandleAllocated()) {
        SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
        SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    }
}

void Form::SetClientSize(int width, int height) {
    clientWidth_ = width;
    clientHeight_ = height;
    if (HandleAllocated()) {
        RECT r{0, 0, width, height};
        AdjustWindowRectForDpi(r, static_cast<DWORD>(GetWindowLongW(Handle(), GWL_STYLE)),
                               static_cast<DWORD>(GetWindowLongW(Handle(), GWL_EXSTYLE)), Dpi());
        SetBounds(Left(), Top(), r.right - r.left, r.bottom - r.top);
        // A frame that does not follow the density yet (a system without
        // per-monitor frames) is met by measuring what came out.
        RECT client;
        GetClientRect(Handle(), &client);
        if (client.right != width || client.bottom != height)
            SetBounds(Left(), Top(), Width() + width - client.right, Height() + height - client.bottom);
    }
}

// Tab order is the windows' z-order: the focusable controls by their tab
// order first, everything else after them.
void Form::OrderTabs() {
    std::vector<Control*> order(Children().begin(), Children().end());
    std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
        const int ta = a->TabOrder() < 0 ? INT_MAX : a->TabOrder();
        const int tb = b->TabOrder() < 0 ? INT_MAX : b->TabOrder();
        return ta < tb;
    });
    HWND after = HWND_TOP;
    for (Control* c : order) {
        if (!c->HandleAllocated()) continue;
        SetWindowPos(c->Handle(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = c->Handle();
    }
}

Control* Form::FirstTabControl() const {
    Control* best = nullptr;
    for (Control* c : Children())
        if (c->TabOrder() >= 0 && c->CanFocus() && (!best || c->TabOrder() < best->TabOrder())) best = c;
    return best;
}

void Form::SetActiveControl(Control* control) {
    active_ = control;
    if (control && HandleAllocated() && IsWindowVisible(Handle())) control->SetFocus();
}

void Form::ChildFocused(Control& child) {
    if (&child == active_) return;
    active_ = &child;
    for (Control* c : Children()) c->FocusMovedInForm();
}

void Form::ChildGone(Control& child) {
    if (active_ == &child) active_ = nullptr;
}

void Form::CenterOnScreen() {
    Handle();
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    SetBounds((sw - Width()) / 2, (sh - Height()) / 2, Width(), Height());
}

void Form::Show(int showCommand) {
    Handle();
    if (position_ == FormPosition::ScreenCenter) CenterOnScreen();
    // Straight into the asked state: shown normally first, a window asked
    // to start minimized would flash up and take the activation.
    ShowWindow(Handle(), showCommand);
    SetVisible(true);
    if (showCommand != SW_SHOWMINNOACTIVE && showCommand != SW_SHOWNA) {
        SetForegroundWindow(Handle());
        if (!active_ || !active_->CanFocus()) active_ = FirstTabControl();
        if (active_) active_->SetFocus();
    }
    if (OnShow) OnShow(*this);
}

void Form::Hide() {
    SetVisible(false);
}

void Form::Close() {
    if (HandleAllocated()) SendMessageW(Handle(), WM_CLOSE, 0, 0);
}

int Form::ShowModal() {
    if (modal_ || (HandleAllocated() && IsWindowVisible(Handle())))
        throw Error("Cannot make a visible window modal");
    if (HWND capture = GetCapture()) SendMessageW(capture, WM_CANCELMODE, 0, 0);
    ReleaseCapture();
    HWND self = Handle();
    WindowDisabler disabler(self);
    modal_ = true;
    modalResult_ = mrNone;
    Application& app = Application::Instance();
    try {
        Show();
        while (modalResult_ == mrNone)
            if (!app.HandleMessage()) {
                modalResult_ = mrCancel;
                break;
            }
    } catch (...) {
        modal_ = false;
        throw;
    }
    modal_ = false;
    // The others first, so that activation can return to them.
    disabler.Restore();
    Hide();
    return modalResult_;
}

Control* Form::FindButton(bool (Control::*query)() const) const {
    for (Control* c : Children())
        if ((c->*query)() && c->CanFocus()) return c;
    return nullptr;
}

LRESULT Form::WndProc(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
    case WM_CLOSE:
        if (!CloseQuery()) return 0;
        if (OnClose) OnClose(*this);
        if (modal_) {
            modalResult_ = mrCancel;
        } else if (Application::Instance().MainForm() == this) {
            Hide();
            Application::Instance().Terminate();
        } else {
            Hide();
        }
        return 0;
    case WM_SYSCOMMAND:
        // The main form minimizes with the taskbar entry, which hides it.
        if ((w & 0xFFF0) == SC_MINIMIZE && Application::Instance().MainForm() == this) {
            Application::Instance().Minimize();
            return 0;
        }
        break;
    case DM_GETDEFID: {
        Control* focused = FromHandle(GetFocus());
        Control* target = focused && focused->IsButton() ? focused : FindButton(&Control::IsDefaultButton);
        return target ? MAKELRESULT(target->Id(), DC_HASDEFID) : 0;
    }
    case WM_COMMAND:
        if (l == 0 || !FromHandle(reinterpret_cast<HWND>(l))) {
            if (LOWORD(w) == IDOK) {
                if (Control* b = FindButton(&Control::IsDefaultButton)) b->Click();
                return 0;
            }
            if (LOWORD(w) == IDCANCEL) {
                if (Control* b = FindButton(&Control::IsCancelButton)) b->Click();
                return 0;
            }
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(w) == WA_INACTIVE) {
            if (Control* c = FromHandle(GetFocus()); c && c != this && Contains(c)) active_ = c;
        } else {
            if (!active_ || !active_->CanFocus()) active_ = FirstTabControl();
            if (active_) active_->SetFocus();
            else ::SetFocus(Handle());
        }
        return 0;
    case WM_SETFOCUS:
        if (active_ && active_->CanFocus()) {
            active_->SetFocus();
            return 0;
        }
        break;
    case kWmDpiChanged:
        OnDpiChanged(LOWORD(w), *reinterpret_cast<const RECT*>(l));
        return 0;
    case kWmGetDpiScaledSize:
        // The size at the new density is ours to say: the design client
        // area scaled, not the window's pixels stretched.
        *reinterpret_cast<SIZE*>(l) = WindowSizeFor(static_cast<int>(w), static_cast<DWORD>(GetWindowLongW(Handle(), GWL_STYLE)),
                                                    static_cast<DWORD>(GetWindowLongW(Handle(), GWL_EXSTYLE)));
        return TRUE;
    default:
        break;
    }
    return Control::WndProc(msg, w, l);
}

}  // namespace tk
