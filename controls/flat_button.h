// The flat bit button: the owner-drawn glyph button with its raised border
// replaced by a one-pixel bevel that follows the pointer, the focus and the
// press.
#pragma once

#include "flat_style.h"
#include "toolkit/buttons.h"

class TfsBitBtn : public tk::BitBtn {
public:
    TfsBitBtn();

    TFlatStyle FlatStyle() const noexcept { return flatStyle_; }
    void SetFlatStyle(TFlatStyle style);
    bool Hovered() const noexcept { return hover_; }

    // Draws the flat border over the button the owner-draw record describes.
    virtual void PaintFlatFrame(const DRAWITEMSTRUCT& item, bool hot);

    void MouseEnter(tk::Control& source) override;
    void MouseLeave(tk::Control& source) override;
    bool SetProperty(std::wstring_view name, std::wstring_view value, tk::LayoutContext& context) override;
    std::wstring_view KindName() const override { return L"TfsBitBtn"; }

protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override;

private:
    bool IsFlat() const noexcept { return flatStyle_ == fsFlat; }

    TFlatStyle flatStyle_;
    bool hover_ = false;
};
