// The title label: text drawn twice, a shadow in ShadowColor and the text
// itself offset from it, so that letters get a light or dark edge.
#pragma once

#include <cstdint>

#include "toolkit/label.h"

enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };

class TOrvelLabel : public tk::Label {
public:
    TOrvelLabel();

    tk::Color ShadowColor() const noexcept { return shadowColor_; }
    void SetShadowColor(tk::Color c);
    std::uint8_t ShadowSize() const noexcept { return shadowSize_; }
    void SetShadowSize(std::uint8_t s);
    TShadowPosition ShadowPos() const noexcept { return shadowPos_; }
    void SetShadowPos(TShadowPosition p);
    bool SimpleView() const noexcept { return simpleView_; }
    void SetSimpleView(bool s);

    bool SetProperty(std::wstring_view name, std::wstring_view value, tk::LayoutContext& context) override;
    std::wstring_view KindName() const override { return L"TOrvelLabel"; }

protected:
    void DoDrawText(HDC dc, RECT& rect, UINT flags) override;

private:
    void Changed();

    tk::Color shadowColor_ = tk::clBtnHighlight;
    std::uint8_t shadowSize_ = 1;
    TShadowPosition shadowPos_ = spLeftTop;
    bool simpleView_ = false;
};

inline const tk::ControlKind<TOrvelLabel> kTOrvelLabelKind{L"TOrvelLabel"};
