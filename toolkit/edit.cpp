#include "toolkit/edit.h"

#include "toolkit/property.h"

namespace tk {

Edit::Edit() {
    SetColor(clWindow);
    SetCursor(Cursor::IBeam);
}

void Edit::CreateParams(WindowParams& p) {
    Control::CreateParams(p);
    p.className = L"TkEdit";
    p.baseClass = L"EDIT";
    p.style |= ES_AUTOHSCROLL | ES_LEFT;
    if (readOnly_) p.style |= ES_READONLY;
    if (passwordChar_) p.style |= ES_PASSWORD;
    if (ctl3D_) p.exStyle |= WS_EX_CLIENTEDGE;
    else p.style |= WS_BORDER;
}

void Edit::CreateWnd() {
    Control::CreateWnd();
    SendMessageW(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
    if (passwordChar_) SendMessageW(Handle(), EM_SETPASSWORDCHAR, passwordChar_, 0);
}

void Edit::SetMaxLength(int n) {
    maxLength_ = n;
    if (HandleAllocated()) SendMessageW(Handle(), EM_LIMITTEXT, static_cast<WPARAM>(n), 0);
}

void Edit::SetPasswordChar(wchar_t c) {
    if (!Change(passwordChar_, c)) return;
    if (HandleAllocated()) {
        SendMessageW(Handle(), EM_SETPASSWORDCHAR, c, 0);
        Invalidate();
    }
}

void Edit::SetReadOnly(bool r) {
    readOnly_ = r;
    if (HandleAllocated()) SendMessageW(Handle(), EM_SETREADONLY, r, 0);
}

void Edit::SetCtl3D(bool c) {
    if (Change(ctl3D_, c)) Ctl3DChanged();
}

void Edit::Ctl3DChanged() { RecreateWnd(); }

void Edit::Command(WORD code) {
    if (code == EN_CHANGE && OnChange) OnChange(*this);
}

bool Edit::SetProperty(std::wstring_view name, std::wstring_view value, LayoutContext& context) {
    if (name == L"MaxLength") SetMaxLength(ParseInt(value));
    else if (name == L"PasswordChar") {
        if (value.size() != 1) BadProperty(KindName(), name, "one character expected");
        SetPasswordChar(value[0]);
    } else if (name == L"ReadOnly") SetReadOnly(ParseBool(value));
    else if (name == L"Ctl3D") SetCtl3D(ParseBool(value));
    else if (name == L"OnChange") OnChange = context.Handler(value);
    else return Control::SetProperty(name, value, context);
    return true;
}

Memo::Memo() = default;

void Memo::CreateParams(WindowParams& p) {
    Edit::CreateParams(p);
    p.className = L"TkMemo";
    p.style |= ES_MULTILINE | ES_AUTOVSCROLL;
    if (wordWrap_) p.style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
    if (wantReturns_) p.style |= ES_WANTRETURN;
    if (scrollBars_ == ScrollBars::Vertical || scrollBars_ == ScrollBars::Both) p.style |= WS_VSCROLL;
    if (scrollBars_ == ScrollBars::Horizontal || scrollBars_ == ScrollBars::Both) p.style |= WS_HSCROLL;
}

LRESULT Memo::WndProc(UINT msg, WPARAM w, LPARAM l) {
    // A memo keeps Enter for new lines only when it wants returns; the
    // dialog navigation then leaves it alone.
    if (msg == WM_GETDLGCODE) {
        LRESULT code = Edit::WndProc(msg, w, l) & ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
        const auto* m = reinterpret_cast<const MSG*>(l);
        if (wantReturns_ && m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
        return code;
    }
    return Edit::WndProc(msg, w, l);
}

void Memo::SetScrollBars(ScrollBars s) {
    if (Change(scrollBars_, s)) RecreateWnd();
}

void Memo::SetWordWrap(bool w) {
    if (Change(wordWrap_, w)) RecreateWnd();
}

bool Memo::SetProperty(std::wstring_view name, std::wstring_view value, LayoutContext& context) {
    if (name == L"ScrollBars") {
        if (value == L"ssNone") SetScrollBars(ScrollBars::None);
        else if (value == L"ssHorizontal") SetScrollBars(ScrollBars::Horizontal);
        else if (value == L"ssVertical") SetScrollBars(ScrollBars::Vertical);
        else if (value == L"ssBoth") SetScrollBars(ScrollBars::Both);
        else BadProperty(KindName(), name, "unknown scroll bars");
    } else if (name == L"WordWrap") SetWordWrap(ParseBool(value));
    else if (name == L"WantReturns") SetWantReturns(ParseBool(value));
    else return Edit::SetProperty(name, value, context);
    return true;
}

}  // namespace tk
