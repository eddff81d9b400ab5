#include "controls/flat_label.h"

TfsLabel::TfsLabel() {
    SetAutoSize(false);
    flatFont_.OnChange = [this] { Invalidate(); };
}

void TfsLabel::ChangeFlatStyle(TFlatStyle style) {
    const bool wasHovered = Hovered();
    MouseLeave(*this);
    StoreFlatStyle(style);
    if (wasHovered) MouseEnter(*this);
    Invalidate();
}

void TfsLabel::SetFlatFont(const tk::Font& font) {
    if (&font != &flatFont_) flatFont_.Assign(font);
    Invalidate();
}

void TfsLabel::HoverChanged() {
    if (Hovered()) savedFont_.Assign(GetFont());
    if (!Active()) return;
    GetFont().Assign(Hovered() ? flatFont_ : savedFont_);
    Invalidate();
    if (Control* focus = FocusControl(); focus && focus->Enabled()) {
        if (Hovered()) focus->MouseEnter(*focus);
        else focus->MouseLeave(*focus);
    }
}

void TfsLabel::Click() {
    if (IsFlat())
        if (Control* focus = FocusControl(); focus && focus->CanFocus()) focus->SetFocus();
    Label::Click();
}

bool TfsLabel::SetProperty(std::wstring_view name, std::wstring_view value, tk::LayoutContext& context) {
    if (name == L"FlatFont.Name") flatFont_.SetName(std::wstring(value));
    else if (name == L"FlatFont.Height") flatFont_.SetHeight(tk::ParseInt(value));
    else if (name == L"FlatFont.Style") flatFont_.SetStyle(tk::ParseFontStyle(value));
    else if (name == L"FlatFont.Color") flatFont_.SetColor(tk::ParseColor(value));
    else return FlatControl::SetProperty(name, value, context);
    return true;
}
