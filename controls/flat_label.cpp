#include "flat_label.h"

TfsLabel::TfsLabel() : flatStyle_(DefaultFlatStyle) {
    SetAutoSize(false);
    flatFont_.OnChange = [this] { Invalidate(); };
}

void TfsLabel::SetFlatStyle(TFlatStyle style) {
    if (style == flatStyle_) return;
    const bool wasHovered = hover_;
    MouseLeave(*this);
    flatStyle_ = style;
    if (wasHovered) MouseEnter(*this);
    Invalidate();
}

void TfsLabel::SetFlatFont(const tk::Font& font) {
    if (&font != &flatFont_) flatFont_.Assign(font);
    Invalidate();
}

void TfsLabel::MouseEnter(tk::Control& source) {
    Label::MouseEnter(source);
    if (&source != this || hover_) return;
    hover_ = true;
    savedFont_.Assign(GetFont());
    if (!Active()) return;
    GetFont().Assign(flatFont_);
    Invalidate();
    if (Control* focus = FocusControl(); focus && focus->Enabled()) focus->MouseEnter(*focus);
}

void TfsLabel::MouseLeave(tk::Control& source) {
    Label::MouseLeave(source);
    if (&source != this || !hover_) return;
    hover_ = false;
    if (!Active()) return;
    GetFont().Assign(savedFont_);
    Invalidate();
    if (Control* focus = FocusControl(); focus && focus->Enabled()) focus->MouseLeave(*focus);
}

void TfsLabel::Click() {
    if (flatStyle_ == fsFlat)
        if (Control* focus = FocusControl(); focus && focus->CanFocus()) focus->SetFocus();
    Label::Click();
}

bool TfsLabel::SetProperty(std::wstring_view name, std::wstring_view value, tk::LayoutContext& context) {
    if (name == L"FlatStyle") SetFlatStyle(ParseFlatStyle(value));
    else if (name == L"FlatFont.Name") flatFont_.SetName(std::wstring(value));
    else if (name == L"FlatFont.Height") flatFont_.SetHeight(tk::ParseInt(value));
    else if (name == L"FlatFont.Style") flatFont_.SetStyle(tk::ParseFontStyle(value));
    else if (name == L"FlatFont.Color") flatFont_.SetColor(tk::ParseColor(value));
    else return Label::SetProperty(name, value, context);
    return true;
}
