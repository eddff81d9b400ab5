#include "toolkit/control.h"

#include <algorithm>
#include <map>

#include <windowsx.h>

#include "toolkit/layout.h"
#include "toolkit/property.h"
#include "toolkit/text.h"

namespace tk {

namespace {

// The base procedure of every window class the toolkit registered.
std::map<std::wstring, WNDPROC>& RegisteredClasses() {
    static std::map<std::wstring, WNDPROC> classes;
    return classes;
}

// The control whose window is being created: its first message binds it.
thread_local Control* g_creating = nullptr;

int g_nextId = 1000;

// The control the pointer is over, as the toolkit last saw it.  The system
// reports a leave late (after a timer) but an enter at once, so a move from
// a control onto its child, or back, could come out as enter before leave;
// one entered control at a time keeps the order right.
Control* g_pointerControl = nullptr;  // clear of IDOK, IDCANCEL and the other dialog ids

HINSTANCE Module() { return GetModuleHandleW(nullptr); }

WNDPROC RegisterClassFor(const WindowParams& p, WNDPROC proc) {
    auto& classes = RegisteredClasses();
    if (auto it = classes.find(p.className); it != classes.end()) return it->second;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    WNDPROC base;
    if (p.baseClass) {
        Check(GetClassInfoExW(nullptr, p.baseClass, &wc) != 0, "GetClassInfoEx");
        base = wc.lpfnWndProc;
    } else {
        wc.style = p.classStyle;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        base = DefWindowProcW;
    }
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = Module();
    wc.lpszClassName = p.className.c_str();
    Check(RegisterClassExW(&wc) != 0, "RegisterClassEx");
    classes.emplace(p.className, base);
    return base;
}

WNDPROC BaseProcOf(HWND hwnd) {
    wchar_t name[256];
    if (GetClassNameW(hwnd, name, 256) > 0) {
        auto& classes = RegisteredClasses();
        if (auto it = classes.find(name); it != classes.end()) return it->second;
    }
    return DefWindowProcW;
}

unsigned ButtonBit(MouseButton b) { return 1u << static_cast<unsigned>(b); }

bool CursorOver(HWND hwnd) {
    POINT p;
    return GetCursorPos(&p) && WindowFromPoint(p) == hwnd;
}

}  // namespace

LRESULT CALLBACK Control::WindowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    auto* control = reinterpret_cast<Control*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!control && g_creating) {
        control = std::exchange(g_creating, nullptr);
        control->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
    }
    if (!control) return CallWindowProcW(BaseProcOf(hwnd), hwnd, msg, w, l);
    // Nothing may unwind through the system's dispatching code: an
    // exception from a handler ends here and goes to the application.
    try {
        return control->Dispatch(msg, w, l);
    } catch (...) {
        HandleDispatchException(std::current_exception());
        return 0;
    }
}

// --- Control ---------------------------------------------------------------

Control::Control() : id_(g_nextId++) {
    font_.OnChange = [this] {
        parentFont_ = false;
        FontChanged();
    };
}

Control::~Control() {
    if (g_pointerControl == this) g_pointerControl = nullptr;
    if (parent_) parent_->ChildGone(*this);
    for (Control* child : children_) child->parent_ = nullptr;
    if (parent_) std::erase(parent_->children_, this);
    if (hwnd_) {
        // Unbound first: the window's last messages go to its class alone,
        // since the derived parts of this object are already gone.
        HWND hwnd = std::exchange(hwnd_, nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        DestroyWindow(hwnd);
    }
}

Control* Control::FromHandle(HWND hwnd) noexcept {
    if (!hwnd) return nullptr;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || GetClassLongPtrW(hwnd, GCLP_WNDPROC) != reinterpret_cast<ULONG_PTR>(WindowProc))
        return nullptr;
    return reinterpret_cast<Control*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

HWND Control::Handle() {
    if (!hwnd_) {
        if (parent_) parent_->Handle();
        if (!hwnd_) CreateWnd();
    }
    return hwnd_;
}

void Control::CreateParams(WindowParams& p) {
    p.style = WS_CHILD | WS_CLIPSIBLINGS;
    if (visible_) p.style |= WS_VISIBLE;
    if (!enabled_) p.style |= WS_DISABLED;
    if (tabOrder_ >= 0) p.style |= WS_TABSTOP;
    p.x = left_;
    p.y = top_;
    p.width = width_;
    p.height = height_;
    p.parent = parent_ ? parent_->hwnd_ : nullptr;
    p.caption = text_;
}

void Control::CreateWnd() {
    WindowParams p;
    CreateParams(p);
    if (p.className.empty()) throw Error(Narrow(KindName()) + " has no window class");
    baseProc_ = RegisterClassFor(p, WindowProc);
    ownClass_ = p.baseClass == nullptr;
    if ((p.style & WS_CHILD) && !p.parent) throw Error(Narrow(KindName()) + " has no parent window");
    const HMENU menu = (p.style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)) : nullptr;
    g_creating = this;
    HWND hwnd = CreateWindowExW(p.exStyle, p.className.c_str(), p.caption.c_str(), p.style, p.x, p.y, p.width,
                                p.height, p.parent, menu, Module(), nullptr);
    g_creating = nullptr;
    Check(hwnd != nullptr, "CreateWindowEx");
    SyncBounds();
    ApplyFont();
    for (Control* child : children_)
        if (!child->hwnd_) child->CreateWnd();
}

void Control::DestroyWnd() {
    if (!hwnd_) return;
    text_ = Text();
    DestroyWindow(hwnd_);  // WM_NCDESTROY clears hwnd_, and the children's
}

void Control::RecreateWnd() {
    if (!hwnd_) return;
    const bool hadFocus = Focused();
    DestroyWnd();
    CreateWnd();
    if (hadFocus) ::SetFocus(hwnd_);
}

LRESULT Control::DefaultHandler(UINT msg, WPARAM w, LPARAM l) {
    return CallWindowProcW(baseProc_ ? baseProc_ : DefWindowProcW, hwnd_, msg, w, l);
}

LRESULT Control::Dispatch(UINT msg, WPARAM w, LPARAM l) {
    HWND self = hwnd_;
    LRESULT r = WndProc(msg, w, l);
    if (msg == WM_NCDESTROY && hwnd_ == self) {
        if (g_pointerControl == this) g_pointerControl = nullptr;
        SetWindowLongPtrW(self, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        tracking_ = false;
        held_ = 0;
    }
    return r;
}

void Control::SyncBounds() {
    RECT wr;
    GetWindowRect(hwnd_, &wr);
    if (HWND parent = GetAncestor(hwnd_, GA_PARENT); parent && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD))
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&wr), 2);
    left_ = wr.left;
    top_ = wr.top;
    width_ = wr.right - wr.left;
    height_ = wr.bottom - wr.top;
}

void Control::PointerEntered() {
    if (tracking_) return;
    if (Control* previous = std::exchange(g_pointerControl, this); previous && previous != this && previous->tracking_) {
        previous->tracking_ = false;
        previous->MouseLeave(*previous);
    }
    tracking_ = true;
    MouseEnter(*this);
}

void Control::PointerLeft() {
    if (!tracking_) return;
    tracking_ = false;
    if (g_pointerControl == this) g_pointerControl = nullptr;
    MouseLeave(*this);
}

// Whether the pointer is over the window now, not where a queued move said
// it was: a move that comes late must not enter a window the pointer has
// already left.
void Control::TrackPointer() {
    if (CursorOver(hwnd_)) {
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, hwnd_, HOVER_DEFAULT};
        TrackMouseEvent(&t);
        PointerEntered();
    } else {
        PointerLeft();
    }
}

LRESULT Control::WndProc(UINT msg, WPARAM w, LPARAM l) {
    if (LRESULT result; Reflect(msg, w, l, result)) return result;
    switch (msg) {
    case WM_MOUSEMOVE: return OnMouseMove(msg, w, l);
    case WM_NCMOUSEMOVE: return OnNcMouseMove(msg, w, l);
    case WM_MOUSELEAVE:
    case WM_NCMOUSELEAVE: return OnMouseLeave(msg, w, l);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: return OnButtonDown(MouseButton::Left, msg, w, l);
    case WM_RBUTTONDOWN: return OnButtonDown(MouseButton::Right, msg, w, l);
    case WM_MBUTTONDOWN: return OnButtonDown(MouseButton::Middle, msg, w, l);
    case WM_LBUTTONUP: return OnButtonUp(MouseButton::Left, msg, w, l);
    case WM_RBUTTONUP: return OnButtonUp(MouseButton::Right, msg, w, l);
    case WM_MBUTTONUP: return OnButtonUp(MouseButton::Middle, msg, w, l);
    case WM_CAPTURECHANGED: return OnCaptureChanged(msg, w, l);
    case WM_SETFOCUS:
    case WM_KILLFOCUS: return OnFocus(msg, w, l);
    case WM_ENABLE: return OnEnable(msg, w, l);
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED: return OnGeometry(msg, w, l);
    case WM_SETCURSOR: return OnSetCursor(msg, w, l);
    case WM_PAINT: return OnPaint(msg, w, l);
    case WM_ERASEBKGND: return OnEraseBackground(msg, w, l);
    default: return DefaultHandler(msg, w, l);
    }
}

// --- pointer tracking -------------------------------------------------------

LRESULT Control::OnMouseMove(UINT msg, WPARAM w, LPARAM l) {
    LRESULT r = DefaultHandler(msg, w, l);
    if (!hwnd_) return r;
    TrackPointer();
    MouseMove(GET_X_LPARAM(l), GET_Y_LPARAM(l));
    return r;
}

// The border counts as part of the control, as its client does.
LRESULT Control::OnNcMouseMove(UINT msg, WPARAM w, LPARAM l) {
    LRESULT r = DefaultHandler(msg, w, l);
    if (!CursorOver(hwnd_)) return r;
    TRACKMOUSEEVENT t{sizeof t, TME_LEAVE | TME_NONCLIENT, hwnd_, HOVER_DEFAULT};
    TrackMouseEvent(&t);
    PointerEntered();
    return r;
}

LRESULT Control::OnMouseLeave(UINT msg, WPARAM w, LPARAM l) {
    LRESULT r = DefaultHandler(msg, w, l);
    if (!tracking_) return r;
    if (held_) return r;  // the moves of a held button decide
    if (CursorOver(hwnd_)) {
        // Only moved between the client area and the border.
        POINT p;
        GetCursorPos(&p);
        const bool client = SendMessageW(hwnd_, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)) == HTCLIENT;
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE | (client ? 0u : TME_NONCLIENT), hwnd_, HOVER_DEFAULT};
        TrackMouseEvent(&t);
        return r;
    }
    PointerLeft();
    return r;
}

// --- buttons and capture ----------------------------------------------------

LRESULT Control::OnButtonDown(MouseButton button, UINT msg, WPARAM w, LPARAM l) {
    LRESULT r = 0;
    if (!ownClass_) {
        r = DefaultHandler(msg, w, l);
    } else {
        // Every button held on the control is its own until released,
        // wherever that happens.
        SetCapture(hwnd_);
        held_ |= ButtonBit(button);
    }
    MouseDown(button, GET_X_LPARAM(l), GET_Y_LPARAM(l));
    return r;
}

LRESULT Control::OnButtonUp(MouseButton button, UINT msg, WPARAM w, LPARAM l) {
    const POINT at{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
    if (!ownClass_) {
        LRESULT r = DefaultHandler(msg, w, l);
        MouseUp(button, at.x, at.y);
        return r;
    }
    const bool clicked = button == MouseButton::Left && (held_ & ButtonBit(button));
    held_ &= ~ButtonBit(button);
    if (!held_ && GetCapture() == hwnd_) ReleaseCapture();
    MouseUp(button, at.x, at.y);
    if (clicked && hwnd_) {
        RECT rc;
        GetClientRect(hwnd_, &rc);
        if (PtInRect(&rc, at)) Click();
    }
    return 0;
}

LRESULT Control::OnCaptureChanged(UINT msg, WPARAM w, LPARAM l) {
    LRESULT r = DefaultHandler(msg, w, l);
    held_ = 0;
    if (tracking_ && !CursorOver(hwnd_)) PointerLeft();
    return r;
}

// --- focus, state, geometry, cursor -----------------------------------------

LRESULT Control::OnFocus(UINT msg, WPARAM w, LPARAM l) {
    LRESULT r = DefaultHandler(msg, w, l);
    if (msg == WM_KILLFOCUS) {
        FocusLeave();
        return r;
    }
    FocusEnter();
    if (parent_) parent_->ChildFocused(*this);
    return r;
}

LRESULT Control::OnEnable(UINT msg, WPARAM w, LPARAM l) {
    LRESULT r = DefaultHandler(msg, w, l);
    enabled_ = w != 0;
    EnabledChanged();
    return r;
}

// WM_SIZE comes from within the move (WM_WINDOWPOSCHANGED), before the
// bounds are read back there: Resized sees them read already.
LRESULT Control::OnGeometry(UINT msg, WPARAM w, LPARAM l) {
    LRESULT r = DefaultHandler(msg, w, l);
    SyncBounds();
    if (msg == WM_SIZE) Resized();
    return r;
}

LRESULT Control::OnSetCursor(UINT msg, WPARAM w, LPARAM l) {
    if (LOWORD(l) != HTCLIENT || reinterpret_cast<HWND>(w) != hwnd_ || cursor_ == Cursor::Default)
        return DefaultHandler(msg, w, l);
    const wchar_t* id = cursor_ == Cursor::IBeam ? IDC_IBEAM : cursor_ == Cursor::HandPoint ? IDC_HAND : IDC_ARROW;
    ::SetCursor(LoadCursorW(nullptr, id));
    return TRUE;
}

// --- painting ---------------------------------------------------------------

LRESULT Control::OnPaint(UINT msg, WPARAM w, LPARAM l) {
    if (!ownClass_) return DefaultHandler(msg, w, l);
    {
        PaintDC dc(hwnd_);
        Paint(dc);
    }
    if (OnPainted) OnPainted(*this);
    return 0;
}

LRESULT Control::OnEraseBackground(UINT msg, WPARAM w, LPARAM l) {
    if (!ownClass_) return DefaultHandler(msg, w, l);
    EraseBackground(reinterpret_cast<HDC>(w));
    return 1;
}

// --- reflection ---------------------------------------------------------------

bool Control::Reflect(UINT msg, WPARAM w, LPARAM l, LRESULT& result) {
    HWND from = nullptr;
    switch (msg) {
    case WM_DRAWITEM: from = reinterpret_cast<const DRAWITEMSTRUCT*>(l)->hwndItem; break;
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: from = reinterpret_cast<HWND>(l); break;
    default: return false;
    }
    Control* child = from ? FromHandle(from) : nullptr;
    if (!child || child == this) return false;
    switch (msg) {
    case WM_DRAWITEM:
        child->DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(l));
        result = TRUE;
        break;
    case WM_COMMAND:
        child->Command(HIWORD(w));
        result = 0;
        break;
    default:
        result = reinterpret_cast<LRESULT>(child->CtlColor(reinterpret_cast<HDC>(w)));
        break;
    }
    return true;
}

void Control::EraseBackground(HDC dc) {
    if (color_ == clNone) return;
    RECT rc;
    GetClientRect(hwnd_, &rc);
    SolidBrush brush(ToRgb(color_));
    FillRect(dc, &rc, brush.Get());
}

void Control::PaintParentBackground(HDC dc) {
    if (!parent_ || !parent_->hwnd_ || !hwnd_) return;
    SavedDC saved(dc);
    POINT origin{0, 0};
    MapWindowPoints(hwnd_, parent_->hwnd_, &origin, 1);
    OffsetViewportOrgEx(dc, -origin.x, -origin.y, nullptr);
    SendMessageW(parent_->hwnd_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
}

HBRUSH Control::CtlColor(HDC dc) {
    const COLORREF rgb = ToRgb(color_);
    SetTextColor(dc, ToRgb(font_.TextColor()));
    SetBkColor(dc, rgb);
    if (!colorBrush_ || colorBrushRgb_ != rgb) {
        colorBrush_.Reset(CreateSolidBrush(rgb));
        colorBrushRgb_ = rgb;
    }
    return colorBrush_.Get();
}

void Control::SetParent(Control* parent) {
    if (parent == parent_) return;
    if (parent_) std::erase(parent_->children_, this);
    parent_ = parent;
    if (parent_) {
        parent_->children_.push_back(this);
        if (parentFont_) ParentFontChanged();
        if (parent_->dpi_ != dpi_) ChangeDpi(parent_->dpi_);
    }
    if (hwnd_) {
        if (parent_ && parent_->hwnd_) ::SetParent(hwnd_, parent_->hwnd_);
        else DestroyWnd();
    } else if (parent_ && parent_->hwnd_) {
        CreateWnd();
    }
}

bool Control::Contains(const Control* control) const noexcept {
    for (const Control* c = control; c; c = c->parent_)
        if (c == this) return true;
    return false;
}

void Control::SetBounds(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (hwnd_) SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::SetDesignBounds(int left, int top, int width, int height) {
    design_ = RECT{left, top, left + width, top + height};
    const RECT r = Scaling()(*design_);
    SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void Control::ChangeDpi(int dpi) {
    const bool changed = dpi != dpi_;
    dpi_ = dpi;
    if (changed && design_) {
        const RECT r = Scaling()(*design_);
        SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
    if (font_.SetDpi(dpi)) FontChanged();
    if (changed) DpiChanged();
    for (Control* child : children_) child->ChangeDpi(dpi);
}

RECT Control::ClientRect() {
    RECT rc{0, 0, width_, height_};
    if (HWND h = Handle()) GetClientRect(h, &rc);
    return rc;
}

int Control::ClientWidth() { return ClientRect().right; }
int Control::ClientHeight() { return ClientRect().bottom; }

std::wstring Control::Text() const {
    if (!hwnd_) return text_;
    const int n = GetWindowTextLengthW(hwnd_);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    s.resize(static_cast<size_t>(GetWindowTextW(hwnd_, s.data(), n + 1)));
    return s;
}

void Control::SetText(std::wstring_view text) {
    if (Text() == text) return;
    text_ = text;
    if (hwnd_) SetWindowTextW(hwnd_, text_.c_str());
    TextChanged();
}

void Control::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    if (hwnd_) {
        EnableWindow(hwnd_, enabled);  // WM_ENABLE reports the change
    } else {
        enabled_ = enabled;
        EnabledChanged();
    }
}

void Control::EnabledChanged() { Invalidate(); }

void Control::SetVisible(bool visible) {
    if (!Change(visible_, visible)) return;
    if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

bool Control::Focused() const noexcept { return hwnd_ && GetFocus() == hwnd_; }

bool Control::CanFocus() const {
    for (const Control* c = this; c; c = c->parent_)
        if (!c->enabled_ || !c->visible_) return false;
    return true;
}

void Control::SetFocus() {
    if (HWND h = Handle()) ::SetFocus(h);
}

void Control::SetFont(const Font& font) { font_.Assign(font); }

void Control::SetParentFont(bool value) {
    parentFont_ = value;
    if (value) ParentFontChanged();
}

void Control::ParentFontChanged() {
    if (!parent_ || !parentFont_) return;
    if (font_.SameAttributes(parent_->font_)) return;
    font_.Assign(parent_->font_);  // clears parentFont_ through OnChange
    parentFont_ = true;
}

void Control::FontChanged() {
    ApplyFont();
    for (Control* child : children_) child->ParentFontChanged();
}

void Control::ApplyFont() {
    if (hwnd_) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
}

void Control::SetColor(Color color) {
    if (Change(color_, color)) Invalidate();
}

void Control::Invalidate() {
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void Control::Update() {
    if (hwnd_) UpdateWindow(hwnd_);
}

void Control::Repaint() {
    if (hwnd_) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_FRAME);
}


void Control::MouseEnter(Control& source) {
    if (parent_) parent_->MouseEnter(source);
}

void Control::MouseLeave(Control& source) {
    if (parent_) parent_->MouseLeave(source);
}

void Control::Click() {
    if (OnClick) OnClick(*this);
}

void Control::ChildFocused(Control& child) {
    if (parent_) parent_->ChildFocused(child);
}

void Control::ChildGone(Control& child) {
    if (parent_) parent_->ChildGone(child);
}

void Control::RequestModalResult(int result) {
    if (parent_) parent_->RequestModalResult(result);
}

void Control::MouseDown(MouseButton button, int x, int y) {
    if (OnMouseDown) OnMouseDown(*this, button, x, y);
}

void Control::MouseUp(MouseButton button, int x, int y) {
    if (OnMouseUp) OnMouseUp(*this, button, x, y);
}

bool Control::SetProperty(std::wstring_view name, std::wstring_view value, LayoutContext& context) {
    if (name == L"Enabled") SetEnabled(ParseBool(value));
    else if (name == L"Visible") SetVisible(ParseBool(value));
    else if (name == L"Color") SetColor(ParseColor(value));
    else if (name == L"ParentFont") SetParentFont(ParseBool(value));
    else if (name == L"Font.Name") font_.SetName(std::wstring(value));
    else if (name == L"Font.Height") font_.SetHeight(ParseInt(value));
    else if (name == L"Font.Style") font_.SetStyle(ParseFontStyle(value));
    else if (name == L"Font.Color") font_.SetColor(ParseColor(value));
    else if (name == L"OnClick") OnClick = context.Handler(value);
    else if (name == L"Cursor") {
        if (value == L"crDefault") cursor_ = Cursor::Default;
        else if (value == L"crArrow") cursor_ = Cursor::Arrow;
        else if (value == L"crIBeam") cursor_ = Cursor::IBeam;
        else if (value == L"crHandPoint") cursor_ = Cursor::HandPoint;
        else BadProperty(KindName(), name, "unknown cursor");
    } else return false;
    return true;
}

}  // namespace tk
