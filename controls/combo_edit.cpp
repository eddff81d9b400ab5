#include "controls/combo_edit.h"

// --- TfsSpeedButton -------------------------------------------------------

TfsSpeedButton::TfsSpeedButton() {
    SetFlat(true);
    // The base's glyph bitmap feeds the flat glyph set while flat.
    previousGlyphChange_ = std::move(Glyph().OnChange);
    Glyph().OnChange = [this] {
        if (IsFlat()) flatGlyph_.SetGlyph(&Glyph());
        else if (previousGlyphChange_) previousGlyphChange_();
    };
}

void TfsSpeedButton::Paint(HDC dc) {
    if (!IsFlat()) {
        SpeedButton::Paint(dc);
        return;
    }
    drawState_ = State();
    if (drawState_ != tk::ButtonState::Down && Hovered()) drawState_ = tk::ButtonState::Down;
    if (!Enabled()) drawState_ = tk::ButtonState::Disabled;
    else if (drawState_ == tk::ButtonState::Disabled)
        drawState_ = Down() && GroupIndex() != 0 ? tk::ButtonState::Exclusive : tk::ButtonState::Up;

    tk::SavedDC saved(dc);
    tk::Selected font(dc, GetFont().Handle());
    SetTextColor(dc, tk::ToRgb(GetFont().TextColor()));
    RECT r = ClientRect();
    if (Transparent()) {
        PaintParentBackground(dc);
    } else {
        tk::SolidBrush brush(tk::ToRgb(GetColor()));
        FillRect(dc, &r, brush.Get());
    }
    const int line = Scaling().Whole();
    InflateRect(&r, -line, -line);
    // The pictures grow by the whole factor that leaves them inside (a
    // change of factor only rebuilds the images).
    const SIZE zoomed = flatGlyph_.ImageSize();
    const int zoom = flatGlyph_.Zoom();
    flatGlyph_.SetZoom(
        Scaling().FitFactor(zoomed.cx / zoom, zoomed.cy / zoom, r.right - r.left, r.bottom - r.top));
    const bool shifted = drawState_ == tk::ButtonState::Exclusive || pressed_;
    const std::wstring caption = Text();
    const tk::ButtonLayoutResult at =
        tk::CalcButtonLayout(dc, r, shifted ? POINT{line, line} : POINT{0, 0}, caption, GetLayout(), Margin(),
                             Spacing() < 0 ? Spacing() : Scaling()(Spacing()), flatGlyph_.ImageSize());
    flatGlyph_.Draw(dc, at.glyph, drawState_, Transparent() || drawState_ == tk::ButtonState::Exclusive);
    tk::DrawButtonCaption(dc, caption, at.text, drawState_ != tk::ButtonState::Disabled, line);
}

void TfsSpeedButton::MouseDown(tk::MouseButton button, int x, int y) {
    if (button == tk::MouseButton::Left && Enabled() && IsFlat()) {
        pressed_ = true;
        Repaint();
    }
    SpeedButton::MouseDown(button, x, y);
}

void TfsSpeedButton::MouseUp(tk::MouseButton button, int x, int y) {
    if (IsFlat() && pressed_) {
        pressed_ = false;
        Repaint();
    }
    SpeedButton::MouseUp(button, x, y);
}

// --- TfsComboEdit ---------------------------------------------------------

TfsComboEdit::TfsComboEdit() : buttonWidth_(ButtonWidthFor()), button_(&Own<TfsSpeedButton>()) {
    button_->SetCursor(tk::Cursor::Arrow);
    button_->SetTransparent(false);
    button_->SetBounds(0, 1, buttonWidth_, 15);
    button_->SetParent(this);
    button_->SetGlyph(tk::Bitmap::FromResource(GetModuleHandleW(nullptr), L"BTN_ELLIPSIS"));
    button_->OnClick = [this](tk::Component&) { DoButtonClick(); };
    button_->OnMouseDown = [this](tk::Component&, tk::MouseButton b, int, int) {
        if (b == tk::MouseButton::Left && !Focused()) SetFocus();
    };
    // The bevel lies on the button's outer pixels: after the button paints
    // itself, it goes on again.
    button_->OnPainted = [this](tk::Component&) {
        if (HandleAllocated() && IsFlat()) PaintFlatFrame(Handle(), Hot());
    };
}

void TfsComboEdit::CreateParams(tk::WindowParams& p) {
    TfsEdit::CreateParams(p);
    p.style |= WS_CLIPCHILDREN;  // the edit's own drawing keeps off the button
}

void TfsComboEdit::CreateWnd() {
    TfsEdit::CreateWnd();
    SetRightMargin();
    PlaceButton();
}

int TfsComboEdit::ButtonWidthFor() const {
    return tk::SystemMetricForDpi(SM_CXVSCROLL, Dpi()) - Scaling().Whole();
}

void TfsComboEdit::DpiChanged() {
    TfsEdit::DpiChanged();
    buttonWidth_ = ButtonWidthFor();
    if (HandleAllocated()) SetRightMargin();
    PlaceButton();
}

void TfsComboEdit::SetRightMargin() {
    SendMessageW(Handle(), EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, buttonWidth_));
}

// Inside the client edge's two lines, one line of the edit's ground above,
// right of and below the button.
void TfsComboEdit::PlaceButton() {
    const int line = Scaling().Whole();
    button_->SetBounds(Width() - buttonWidth_ - 5 * line, line, buttonWidth_, Height() - 6 * line);
}

void TfsComboEdit::EnabledChanged() {
    TfsEdit::EnabledChanged();
    button_->SetEnabled(Enabled());
}

void TfsComboEdit::SetButtonGlyph(const tk::Bitmap& glyph) {
    if (&glyph == &button_->Glyph()) return;
    button_->SetGlyph(glyph);
    if (HandleAllocated())
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TfsComboEdit::DoButtonClick() {
    if (CanFocus()) SetFocus();
    if (OnButtonClick) OnButtonClick(*this);
}

void TfsComboEdit::PaintFlatFrame(HWND window, bool hot) {
    {
        // Over the button as well: this device context leaves the child
        // windows in.
        tk::WindowDC dc(window, DCX_WINDOW | DCX_CACHE | DCX_CLIPSIBLINGS);
        const RECT bounds = WindowBounds(window);
        const int line = Scaling().Whole();
        RECT bevel{bounds.right - buttonWidth_ - 3 * line, 3 * line, bounds.right - 3 * line, bounds.bottom - 3 * line};
        if (button_->Pressed() && button_->Hovered()) {
            tk::SolidBrush face(GetSysColor(COLOR_BTNFACE));
            tk::FrameRing(dc, bevel, face.Get(), line);
        } else {
            tk::DrawEdgeWide(dc, bevel, BDR_RAISEDINNER, BF_RECT, line);
        }
    }
    TfsEdit::PaintFlatFrame(window, hot);
}

LRESULT TfsComboEdit::WndProc(UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_KEYDOWN && w == VK_F4 && GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0 &&
        GetKeyState(VK_MENU) >= 0) {
        DoButtonClick();
        return 0;
    }
    const LRESULT r = TfsEdit::WndProc(msg, w, l);
    // The edit control sets its margins anew for every font.
    if (msg == WM_SETFONT && HandleAllocated()) SetRightMargin();
    return r;
}

bool TfsComboEdit::SetProperty(std::wstring_view name, std::wstring_view value, tk::LayoutContext& context) {
    if (name == L"OnButtonClick") OnButtonClick = context.Handler(value);
    else if (name == L"ButtonGlyph")
        SetButtonGlyph(tk::Bitmap::FromResource(context.Module(), std::wstring(value).c_str()));
    else return TfsEdit::SetProperty(name, value, context);
    return true;
}
