// The flat label: under the pointer its font becomes FlatFont, and the
// control named as FocusControl is told of the pointer and takes the focus
// on a click.
#pragma once

#include "controls/flat_control.h"
#include "toolkit/label.h"

class TfsLabel : public FlatControl<tk::Label> {
public:
    TfsLabel();

    tk::Font& FlatFont() noexcept { return flatFont_; }
    // Copies the attributes of `font` (unless it is FlatFont itself).
    void SetFlatFont(const tk::Font& font);
    const tk::Font& SavedFont() const noexcept { return savedFont_; }

    void Click() override;

    bool SetProperty(std::wstring_view name, std::wstring_view value, tk::LayoutContext& context) override;
    std::wstring_view KindName() const override { return L"TfsLabel"; }

protected:
    // The flag follows the pointer whatever the style; the font is saved on
    // every enter and swapped only while flat and enabled.
    bool TracksHover(tk::Control& source) override { return &source == this; }
    void HoverChanged() override;
    // Left and entered again around the change, so that the font swap and
    // the FocusControl's notifications follow the new style.
    void ChangeFlatStyle(TFlatStyle style) override;

private:
    bool Active() const { return IsFlat() && Enabled(); }

    tk::Font flatFont_;
    tk::Font savedFont_;
};

inline const tk::ControlKind<TfsLabel> kTfsLabelKind{L"TfsLabel"};
