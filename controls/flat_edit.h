// The flat edit and memo: the client edge painted over with three flat
// rings, sunken on the outside while the pointer is over the control or it
// has the focus.
#pragma once

#include "controls/flat_control.h"
#include "toolkit/edit.h"

// The hover and focus tracking and frame painting shared by the flat edit
// and the flat memo, which descend from different bases.
template <class Base>
class FlatEditBase : public FlatControl<Base> {
public:
    bool Hot() const noexcept { return this->Hovered() || this->Focused(); }

    // Draws the flat frame on the whole of `window`, non-client area
    // included.
    virtual void PaintFlatFrame(HWND window, bool hot) {
        tk::WindowDC dc(window);
        PaintFlatEditFrame(dc, WindowBounds(window), hot, FlatFrameColor, this->Scaling().Whole());
    }

protected:
    using FlatControl<Base>::IsFlat;

    // The rings of the frame that lie outside the client area, in lines:
    // the client edge holds two.
    virtual int BorderLines() const { return 2; }

    static RECT WindowBounds(HWND window) {
        RECT r;
        GetWindowRect(window, &r);
        OffsetRect(&r, -r.left, -r.top);
        return r;
    }

    // A child's enter and leave count as the control's own (the combo-edit's
    // button is part of it).
    bool TracksHover(tk::Control&) override { return IsFlat(); }
    void HoverChanged() override {
        if (!this->Focused() && this->HandleAllocated()) PaintFlatFrame(this->Handle(), this->Hovered());
    }
    // Re-created, so that the border style follows.
    void ChangeFlatStyle(TFlatStyle style) override {
        this->StoreFlatStyle(style);
        this->ClearHover();
        this->RecreateWnd();
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
        // The border is as wide as the rings on it, whatever the system's
        // client edge measures at this density.
        if (msg == WM_NCCALCSIZE && IsFlat()) {
            RECT edge{0, 0, 0, 0};
            tk::AdjustWindowRectForDpi(edge, WS_CHILD, WS_EX_CLIENTEDGE, this->Dpi());
            const int extra = BorderLines() * this->Scaling().Whole() + edge.left;
            RECT* proposed = w ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(l)->rgrc[0] : reinterpret_cast<RECT*>(l);
            if (extra > 0) InflateRect(proposed, -extra, -extra);
        }
        LRESULT r = Base::WndProc(msg, w, l);
        if ((msg == WM_PAINT || msg == WM_ERASEBKGND || msg == WM_NCPAINT) && IsFlat() && this->HandleAllocated())
            PaintFlatFrame(this->Handle(), Hot());
        return r;
    }

    void FocusEnter() override {
        Base::FocusEnter();
        if (IsFlat() && !this->Hovered()) PaintFlatFrame(this->Handle(), true);
    }
    void FocusLeave() override {
        Base::FocusLeave();
        if (IsFlat() && !this->Hovered() && this->HandleAllocated()) PaintFlatFrame(this->Handle(), false);
    }
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
    // One more line of border all round, so that all three rings (and the
    // scroll bars inside them) lie outside the client area.
    int BorderLines() const override { return 3; }
    LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override;
};

inline const tk::ControlKind<TfsEdit> kTfsEditKind{L"TfsEdit"};
inline const tk::ControlKind<TfsMemo> kTfsMemoKind{L"TfsMemo"};
