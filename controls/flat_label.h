// The flat label: under the pointer its font becomes FlatFont, and the
// control named as FocusControl is told of the pointer and takes the focus
// on a click.
#pragma once

#include "flat_style.h"
#include "toolkit/label.h"

class TfsLabel : public tk::Label {
public:
    TfsLabel();

    TFlatStyle FlatStyle() const noexcept { return flatStyle_; }
    void SetFlatStyle(TFlatStyle style);
    tk::Font& FlatFont() noexcept { return flatFont_; }
    // Copies the attributes of `font` (unless it is FlatFont itself).
    void SetFlatFont(const tk::Font& font);
    const tk::Font& SavedFont() const noexcept { return savedFont_; }
    bool Hovered() const noexcept { return hover_; }

    void MouseEnter(tk::Control& source) override;
    void MouseLeave(tk::Control& source) override;
    void Click() override;

    bool SetProperty(std::wstring_view name, std::wstring_view value, tk::LayoutContext& context) override;
    std::wstring_view KindName() const override { return L"TfsLabel"; }

private:
    bool Active() const { return flatStyle_ == fsFlat && Enabled(); }

    TFlatStyle flatStyle_;
    tk::Font flatFont_;
    tk::Font savedFont_;
    bool hover_ = false;
};
