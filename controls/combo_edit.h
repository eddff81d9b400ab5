// The combo-edit: a flat edit with a browse button in its right end, and
// that button, a flat speed button drawing its glyph by state.
#pragma once

#include "flat_edit.h"
#include "glyphs.h"
#include "toolkit/buttons.h"

class TfsSpeedButton : public tk::SpeedButton {
public:
    TfsSpeedButton();

    TFlatStyle FlatStyle() const noexcept { return flatStyle_; }
    void SetFlatStyle(TFlatStyle style);
    TButtonGlyph& FlatGlyph() noexcept { return flatGlyph_; }
    // The left button is held down on it.
    bool Pressed() const noexcept { return pressed_; }
    // The pointer is over it.
    bool Hovered() const noexcept { return hover_; }
    tk::ButtonState DrawState() const noexcept { return drawState_; }

    void MouseEnter(tk::Control& source) override;
    void MouseLeave(tk::Control& source) override;
    bool SetProperty(std::wstring_view name, std::wstring_view value, tk::LayoutContext& context) override;
    std::wstring_view KindName() const override { return L"TfsSpeedButton"; }

protected:
    void Paint(HDC dc) override;
    void MouseDown(tk::MouseButton button, int x, int y) override;
    void MouseUp(tk::MouseButton button, int x, int y) override;

private:
    bool IsFlat() const noexcept { return flatStyle_ == fsFlat; }

    TFlatStyle flatStyle_;
    TButtonGlyph flatGlyph_;
    std::function<void()> previousGlyphChange_;
    bool pressed_ = false;
    bool hover_ = false;
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

private:
    void PlaceButton();
    void SetRightMargin();

    int buttonWidth_;
    TfsSpeedButton* button_;
};
