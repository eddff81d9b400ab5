// The flat bit button: the owner-drawn glyph button with its raised border
// replaced by a one-pixel bevel that follows the pointer, the focus and the
// press.
#pragma once

#include "controls/flat_control.h"
#include "toolkit/buttons.h"

class TfsBitBtn : public FlatControl<tk::BitBtn> {
public:
    // Draws the flat border over the button the owner-draw record describes.
    virtual void PaintFlatFrame(const DRAWITEMSTRUCT& item, bool hot);

    std::wstring_view KindName() const override { return L"TfsBitBtn"; }

protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override;
    // A focused button is hot already.
    void HoverChanged() override {
        if (!Focused()) Repaint();
    }
};

inline const tk::ControlKind<TfsBitBtn> kTfsBitBtnKind{L"TfsBitBtn"};
