#include "toolkit/label.h"

#include "toolkit/property.h"

namespace tk {

Label::Label() { SetColor(clBtnFace); }

void Label::CreateParams(WindowParams& p) {
    Control::CreateParams(p);
    p.className = L"TkLabel";
    p.style &= ~static_cast<DWORD>(WS_TABSTOP);
}

LRESULT Label::WndProc(UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_GETDLGCODE) return DLGC_STATIC;
    return Control::WndProc(msg, w, l);
}

void Label::SetAlignment(Alignment a) {
    if (Change(alignment_, a)) Invalidate();
}

void Label::SetLayout(TextLayout l) {
    if (Change(layout_, l)) Invalidate();
}

void Label::SetWordWrap(bool w) {
    if (!Change(wordWrap_, w)) return;
    AdjustBounds();
    Invalidate();
}

void Label::SetAutoSize(bool a) {
    if (Change(autoSize_, a)) AdjustBounds();
}

void Label::SetTransparent(bool t) {
    if (Change(transparent_, t)) Invalidate();
}

void Label::SetShowAccelChar(bool s) {
    if (!Change(showAccelChar_, s)) return;
    AdjustBounds();
    Invalidate();
}

void Label::TextChanged() {
    AdjustBounds();
    Invalidate();
}

void Label::FontChanged() {
    Control::FontChanged();
    AdjustBounds();
    Invalidate();
}

UINT Label::DrawFlags() const {
    UINT flags = DT_EXPANDTABS;
    if (alignment_ == Alignment::Right) flags |= DT_RIGHT;
    else if (alignment_ == Alignment::Center) flags |= DT_CENTER;
    if (wordWrap_) flags |= DT_WORDBREAK;
    return flags;
}

std::wstring Label::DrawnText(UINT& flags) const {
    std::wstring text = Text();
    if ((flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == L"&"))) text += L' ';
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    return text;
}

void Label::DoDrawText(HDC dc, RECT& rect, UINT flags) {
    const std::wstring text = DrawnText(flags);
    Selected font(dc, GetFont().Handle());
    SetBkMode(dc, TRANSPARENT);
    const int n = static_cast<int>(text.size());
    if (flags & DT_CALCRECT) {
        DrawTextW(dc, text.c_str(), n, &rect, flags);
    } else if (!Enabled()) {
        DrawEmbossedText(dc, text, rect, flags, Scaling().Whole());
    } else {
        SetTextColor(dc, ToRgb(GetFont().TextColor()));
        DrawTextW(dc, text.c_str(), n, &rect, flags);
    }
}

void Label::Paint(HDC dc) {
    RECT rc;
    GetClientRect(Handle(), &rc);
    if (transparent_) {
        PaintParentBackground(dc);
    } else if (GetColor() != clNone) {
        SolidBrush brush(ToRgb(GetColor()));
        FillRect(dc, &rc, brush.Get());
    }
    const UINT flags = DrawFlags();
    RECT text = rc;
    if (layout_ != TextLayout::Top) {
        RECT measured = rc;
        DoDrawText(dc, measured, flags | DT_CALCRECT);
        const int room = rc.bottom - measured.bottom;
        OffsetRect(&text, 0, layout_ == TextLayout::Bottom ? room : room / 2);
    }
    DoDrawText(dc, text, flags);
}

void Label::AdjustBounds() {
    if (!autoSize_) return;
    ClientDC screen(nullptr);
    RECT rc{0, 0, Width(), Height()};
    DoDrawText(screen, rc, (DrawFlags() & ~static_cast<UINT>(DT_RIGHT | DT_CENTER)) | DT_CALCRECT);
    int left = Left();
    if (alignment_ == Alignment::Right) left += Width() - rc.right;
    if (rc.right != Width() || rc.bottom != Height() || left != Left()) SetBounds(left, Top(), rc.right, rc.bottom);
}

bool Label::SetProperty(std::wstring_view name, std::wstring_view value, LayoutContext& context) {
    if (name == L"Alignment") {
        if (value == L"taLeftJustify") SetAlignment(Alignment::Left);
        else if (value == L"taRightJustify") SetAlignment(Alignment::Right);
        else if (value == L"taCenter") SetAlignment(Alignment::Center);
        else BadProperty(KindName(), name, "unknown alignment");
    } else if (name == L"Layout") {
        if (value == L"tlTop") SetLayout(TextLayout::Top);
        else if (value == L"tlCenter") SetLayout(TextLayout::Center);
        else if (value == L"tlBottom") SetLayout(TextLayout::Bottom);
        else BadProperty(KindName(), name, "unknown layout");
    } else if (name == L"WordWrap") SetWordWrap(ParseBool(value));
    else if (name == L"AutoSize") SetAutoSize(ParseBool(value));
    else if (name == L"Transparent") SetTransparent(ParseBool(value));
    else if (name == L"ShowAccelChar") SetShowAccelChar(ParseBool(value));
    else if (name == L"FocusControl") SetFocusControl(&context.FindControl(value));
    else return Control::SetProperty(name, value, context);
    return true;
}

}  // namespace tk
