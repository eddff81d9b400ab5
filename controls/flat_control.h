// The plumbing every flat control shares over its toolkit base: the
// FlatStyle switch (taken from DefaultFlatStyle at construction), the hover
// flag that follows the pointer, and the FlatStyle setting of stored
// layouts.  A control says which enters and leaves move its flag and what a
// change of flag or style does to its look.
#pragma once

#include "controls/flat_style.h"
#include "toolkit/control.h"
#include "toolkit/layout.h"

template <class Base>
class FlatControl : public Base {
public:
    FlatControl() : flatStyle_(DefaultFlatStyle) {}

    TFlatStyle FlatStyle() const noexcept { return flatStyle_; }
    void SetFlatStyle(TFlatStyle style) {
        if (style != flatStyle_) ChangeFlatStyle(style);
    }
    // The pointer is over the control.
    bool Hovered() const noexcept { return hover_; }

    void MouseEnter(tk::Control& source) override {
        Base::MouseEnter(source);
        if (hover_ || !TracksHover(source)) return;
        hover_ = true;
        HoverChanged();
    }
    void MouseLeave(tk::Control& source) override {
        Base::MouseLeave(source);
        if (!hover_ || !TracksHover(source)) return;
        hover_ = false;
        HoverChanged();
    }

    bool SetProperty(std::wstring_view name, std::wstring_view value, tk::LayoutContext& context) override {
        if (name != L"FlatStyle") return Base::SetProperty(name, value, context);
        SetFlatStyle(ParseFlatStyle(value));
        return true;
    }

protected:
    bool IsFlat() const noexcept { return flatStyle_ == fsFlat; }

    // Whether an enter or leave reported for `source` moves the flag: by
    // default the control's own, while it is flat.
    virtual bool TracksHover(tk::Control& source) { return &source == this && IsFlat(); }
    // After the flag changed; by default the control repaints.
    virtual void HoverChanged() { this->Repaint(); }
    // A different style: by default it is stored and the control repaints.
    virtual void ChangeFlatStyle(TFlatStyle style) {
        StoreFlatStyle(style);
        this->Repaint();
    }
    void StoreFlatStyle(TFlatStyle style) noexcept { flatStyle_ = style; }
    void ClearHover() noexcept { hover_ = false; }

private:
    TFlatStyle flatStyle_;
    bool hover_ = false;
};
