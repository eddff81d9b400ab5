#include "flat_button.h"

TfsBitBtn::TfsBitBtn() : flatStyle_(DefaultFlatStyle) {}

void TfsBitBtn::SetFlatStyle(TFlatStyle style) {
    if (style == flatStyle_) return;
    flatStyle_ = style;
    Repaint();
}

void TfsBitBtn::DrawItem(const DRAWITEMSTRUCT& item) {
    BitBtn::DrawItem(item);
    if (IsFlat()) PaintFlatFrame(item, hover_ || Focused());
}

void TfsBitBtn::PaintFlatFrame(const DRAWITEMSTRUCT& item, bool hot) {
    RECT r = item.rcItem;
    OffsetRect(&r, -r.left, -r.top);
    PaintFlatButtonFrame(item.hDC, r, (item.itemState & ODS_SELECTED) != 0, hot);
}

void TfsBitBtn::MouseEnter(tk::Control& source) {
    BitBtn::MouseEnter(source);
    if (!IsFlat() || hover_) return;
    hover_ = true;
    if (!Focused()) Repaint();
}

void TfsBitBtn::MouseLeave(tk::Control& source) {
    BitBtn::MouseLeave(source);
    if (!IsFlat() || !hover_) return;
    hover_ = false;
    if (!Focused()) Repaint();
}

bool TfsBitBtn::SetProperty(std::wstring_view name, std::wstring_view value, tk::LayoutContext& context) {
    if (name != L"FlatStyle") return BitBtn::SetProperty(name, value, context);
    SetFlatStyle(ParseFlatStyle(value));
    return true;
}
