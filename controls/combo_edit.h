// The combo-edit: a flat edit with a browse button in its right end, and
// that button, a flat speed button drawing its glyph by state.
#pragma once

#include "controls/flat_edit.h"
#include "controls/glyphs.h"
#include "toolkit/buttons.h"

class TfsSpeedButton : public FlatControl<tk::SpeedButton> {
public:
    TfsSpeedButton();

    TButtonGlyph& FlatGlyph() noexcept { return flatGlyph_; }
    // The left button is held down on it.
    bool Pressed() const noexcept { return pressed_; }
    tk::ButtonState DrawState() const noexcept { return drawState_; }

    std::wstring_view KindName() const override { return L"TfsSpeedButton"; }

protected:
    void Paint(HDC dc) override;
    void MouseDown(tk::MouseButton button, int x, int y) override;
    void MouseUp(tk::MouseButton button, int x, int y) override;
    bool TracksHover(tk::Control& source) override { return &source == this && Enabled() && IsFlat(); }

private:
    TButtonGlyph flatGlyph_;
    std::function<void()> previousGlyphChange_;
    bool pressed_ = false;
    tk::ButtonState drawState_ = tk::ButtonState::Up;
};

class TfsComboEdit : public TfsEdit {
public:
    // Loads the "BTN_ELLIPSIS" bitmap of the program into the button;
    // raises the loader's error when the program has none.
    TfsComboEdit();

    const tk::Bitmap& ButtonGlyph() noexcept { return button_->Glyph(); }
    void SetButtonGlyph(const tk::Bitmap& glyph);
    TfsSpeedButton& Button() noexcept { return *button_; }
    int ButtonWidth() const noexcept { return buttonWidth_; }

    // Gives the combo-edit the focus, then fires OnButtonClick.
    void DoButtonClick();
    tk::NotifyEvent OnButtonClick;

    // The button's bevel first, then the flat frame.
    void PaintFlatFrame(HWND window, bool hot) override;

    bool SetProperty(std::wstring_view name, std::wstring_view value, tk::LayoutContext& context) override;
    std::wstring_view KindName() const override { return L"TfsComboEdit"; }

protected:
    void CreateParams(tk::WindowParams& params) override;
    void CreateWnd() override;
    LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override;
    void Resized() override { PlaceButton(); }
    void EnabledChanged() override;
    void DpiChanged() override;

private:
    void PlaceButton();
    void SetRightMargin();
    // The scroll-bar arrow's width at the density, less one line.
    int ButtonWidthFor() const;

    int buttonWidth_;
    TfsSpeedButton* button_;
};

inline const tk::ControlKind<TfsSpeedButton> kTfsSpeedButtonKind{L"TfsSpeedButton"};
inline const tk::ControlKind<TfsComboEdit> kTfsComboEditKind{L"TfsComboEdit"};
