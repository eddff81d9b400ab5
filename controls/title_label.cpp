#include "controls/title_label.h"

#include "toolkit/property.h"

TOrvelLabel::TOrvelLabel() = default;

void TOrvelLabel::Changed() {
    AdjustBounds();
    Invalidate();
}

void TOrvelLabel::SetShadowColor(tk::Color c) {
    if (tk::Change(shadowColor_, c)) Invalidate();
}

void TOrvelLabel::SetShadowSize(std::uint8_t s) {
    if (tk::Change(shadowSize_, s)) Changed();
}

void TOrvelLabel::SetShadowPos(TShadowPosition p) {
    if (tk::Change(shadowPos_, p)) Changed();
}

void TOrvelLabel::SetSimpleView(bool s) {
    if (tk::Change(simpleView_, s)) Changed();
}

void TOrvelLabel::DoDrawText(HDC dc, RECT& rect, UINT flags) {
    if (simpleView_) {
        Label::DoDrawText(dc, rect, flags);
        return;
    }
    const bool enabled = Enabled();
    const TShadowPosition pos = enabled ? shadowPos_ : spRightBottom;
    // The shadow is a width of lines, so it grows with the density.
    const int size = (enabled ? shadowSize_ : 1) * Scaling().Whole();
    const std::wstring text = DrawnText(flags);
    const int n = static_cast<int>(text.size());
    tk::Selected font(dc, GetFont().Handle());
    if (flags & DT_CALCRECT) {
        // Text and shadow are the same rectangle offset by the size.
        DrawTextW(dc, text.c_str(), n, &rect, flags);
        rect.right += size;
        rect.bottom += size;
        return;
    }
    RECT textRect = rect, shadowRect = rect;
    switch (pos) {
    case spLeftTop:
        OffsetRect(&textRect, size, size);
        break;
    case spLeftBottom:
        OffsetRect(&textRect, size, 0);
        OffsetRect(&shadowRect, 0, size);
        break;
    case spRightBottom:
        OffsetRect(&shadowRect, size, size);
        break;
    case spRightTop:
        OffsetRect(&textRect, 0, size);
        OffsetRect(&shadowRect, size, 0);
        break;
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, enabled ? tk::ToRgb(shadowColor_) : GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextW(dc, text.c_str(), n, &shadowRect, flags);
    SetTextColor(dc, enabled ? tk::ToRgb(GetFont().TextColor()) : GetSysColor(COLOR_BTNSHADOW));
    DrawTextW(dc, text.c_str(), n, &textRect, flags);
}

bool TOrvelLabel::SetProperty(std::wstring_view name, std::wstring_view value, tk::LayoutContext& context) {
    if (name == L"ShadowColor") SetShadowColor(tk::ParseColor(value));
    else if (name == L"ShadowSize") {
        const int s = tk::ParseInt(value);
        if (s < 0 || s > 255) tk::BadProperty(KindName(), name, "out of range");
        SetShadowSize(static_cast<std::uint8_t>(s));
    } else if (name == L"ShadowPos") {
        if (value == L"spLeftTop") SetShadowPos(spLeftTop);
        else if (value == L"spLeftBottom") SetShadowPos(spLeftBottom);
        else if (value == L"spRightBottom") SetShadowPos(spRightBottom);
        else if (value == L"spRightTop") SetShadowPos(spRightTop);
        else tk::BadProperty(KindName(), name, "unknown position");
    } else if (name == L"SimpleView") SetSimpleView(tk::ParseBool(value));
    else return Label::SetProperty(name, value, context);
    return true;
}
