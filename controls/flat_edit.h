// The flat edit and memo: the client edge painted over with three flat
// rings, sunken on the outside while the pointer is over the control or it
// has the focus.
#pragma once

#include "flat_style.h"
#include "toolkit/edit.h"

// The hover and focus tracking and frame painting shared by the flat edit
// and the flat memo, which descend from different bases.
template <class Base>
class FlatEditBase : public Base {
public:
    FlatEditBase() : flatStyle_(DefaultFlatStyle) {}

    TFlatStyle FlatStyle() const noexcept { return flatStyle_; }
    // Re-creates the window so that its border style follows.
    void SetFlatStyle(TFlatStyle style) {
        if (style == flatStyle_) return;
        flatStyle_ = style;
        hover_ = false;
        this->RecreateWnd();
    }
    bool Hovered() const noexcept { return hover_; }
    bool Hot() const noexcept { return hover_ || this->Focused(); }

    // Draws the flat frame on the whole of `window`, non-client area
    // included.
    virtual void PaintFlatFrame(HWND window, bool hot) {
        tk::WindowDC dc(window);
        PaintFlatEditFrame(dc, WindowBounds(window), hot, FlatFrameColor);
    }

    void MouseEnter(tk::Control& source) override {
        Base::MouseEnter(source);
        if (!IsFlat() || hover_) return;
        hover_ = true;
        if (!this->Focused() && this->HandleAllocated()) PaintFlatFrame(this->Handle(), true);
    }
    void MouseLeave(tk::Control& source) override {
        Base::MouseLeave(source);
        if (!IsFlat() || !hover_) return;
        hover_ = false;
        if (!this->Focused() && this->HandleAllocated()) PaintFlatFrame(this->Handle(), false);
    }

    bool SetProperty(std::wstring_view name, std::wstring_view value, tk::LayoutContext& context) override {
        if (name != L"FlatStyle") return Base::SetProperty(name, value, context);
        SetFlatStyle(ParseFlatStyle(value));
        return true;
    }

protected:
    bool IsFlat() const noexcept { return flatStyle_ == fsFlat; }
    static RECT WindowBounds(HWND window) {
        RECT r;
        GetWindowRect(window, &r);
        OffsetRect(&r, -r.left, -r.top);
        return r;
    }

    void CreateParams(tk::WindowParams& p) override {
        Base::CreateParams(p);
        if (!IsFlat()) return;
        p.style &= ~static_cast<DWORD>(WS_BORDER);
        p.exStyle |= WS_EX_CLIENTEDGE;
    }

    // The frame goes on after every paint, background erase and border
    // paint, each of which may have drawn the client edge anew.
    LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override {
        LRESULT r = Base::WndProc(msg, w, l);
        if ((msg == WM_PAINT || msg == WM_ERASEBKGND || msg == WM_NCPAINT) && IsFlat() && this->HandleAllocated())
            PaintFlatFrame(this->Handle(), Hot());
        return r;
    }

    void FocusEnter() override {
        Base::FocusEnter();
        if (IsFlat() && !hover_) PaintFlatFrame(this->Handle(), true);
    }
    void FocusLeave() override {
        Base::FocusLeave();
        if (IsFlat() && !hover_ && this->HandleAllocated()) PaintFlatFrame(this->Handle(), false);
    }

private:
    TFlatStyle flatStyle_;
    bool hover_ = false;
};

class TfsEdit : public FlatEditBase<tk::Edit> {
public:
    std::wstring_view KindName() const override { return L"TfsEdit"; }

protected:
    // While flat the border is the flat frame's whatever the setting says,
    // so there is nothing to re-create for.
    void Ctl3DChanged() override {
        if (!IsFlat()) FlatEditBase::Ctl3DChanged();
    }
};

class TfsMemo : public FlatEditBase<tk::Memo> {
public:
    std::wstring_view KindName() const override { return L"TfsMemo"; }

protected:
    // One more pixel of border all round, so that all three rings (and the
    // scroll bars inside them) lie outside the client area.
    LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override;
};
