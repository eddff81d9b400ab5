// Glyph buttons: the owner-drawn bit button and the speed button, and the
// glyph rules they share.  A glyph bitmap holds NumGlyphs equal images side
// by side, one per button state.
#pragma once

#include <functional>

#include "toolkit/control.h"
#include "toolkit/layout.h"

namespace tk {

enum class ButtonState { Up = 0, Disabled = 1, Down = 2, Exclusive = 3 };
enum class ButtonLayout { GlyphLeft, GlyphRight, GlyphTop, GlyphBottom };

// NumGlyphs of a bitmap: width / height when the width is a whole multiple
// of the height (1 for a quotient of 5 or more), else `previous`.
int GlyphCountOf(int width, int height, int previous);

// The slice a state draws: down falls back to up below three images, and a
// state without an image of its own uses image 0.
int GlyphIndexFor(ButtonState state, int numGlyphs);

// The image of one state, ready to draw, and the colour to mask it by.
// `source` must not be empty.
struct GlyphImage {
    Bitmap image;
    COLORREF mask;
};
GlyphImage PrepareGlyphImage(const Bitmap& source, int numGlyphs, ButtonState state);

// Where glyph and caption go in `client`: centred as a group when margin
// is -1, with `spacing` between them (0 when one of them is missing).
struct ButtonLayoutResult {
    POINT glyph;
    RECT text;
};
ButtonLayoutResult CalcButtonLayout(HDC dc, const RECT& client, POINT offset, const std::wstring& caption,
                                    ButtonLayout layout, int margin, int spacing, SIZE glyph);

// A caption drawn centred in `bounds`; disabled: embossed in highlight and
// shadow, `line` pixels apart.
void DrawButtonCaption(HDC dc, const std::wstring& caption, RECT bounds, bool enabled, int line = 1);

// Draws `image` with its `mask`-coloured pixels showing `background`, or
// the destination when `background` is CLR_NONE.
void DrawMasked(HDC dc, const Bitmap& image, int x, int y, COLORREF mask, COLORREF background);

// A glyph bitmap and the number of images in it, as the glyph buttons keep
// them: the count follows the bitmap's shape whenever the bitmap changes.
class GlyphSource {
public:
    // `changed` runs after the bitmap or the count changed.
    explicit GlyphSource(std::function<void()> changed);
    GlyphSource(const GlyphSource&) = delete;
    GlyphSource& operator=(const GlyphSource&) = delete;

    Bitmap& Glyph() noexcept { return glyph_; }
    int NumGlyphs() const noexcept { return numGlyphs_; }
    void SetNumGlyphs(int n);  // 1 to 4; others are ignored
    // One image's size, grown by `zoom`.
    SIZE ImageSize(int zoom = 1) const noexcept;
    // The image of `state` at `at`, each pixel `zoom` pixels square, its
    // transparent pixels in `background` (CLR_NONE: the destination shows
    // through).
    void Draw(HDC dc, POINT at, ButtonState state, COLORREF background, int zoom = 1) const;

private:
    Bitmap glyph_;
    int numGlyphs_ = 1;
    std::function<void()> changed_;
};

// What the glyph buttons share: the glyph and its count of images, whose
// changes repaint the button, and where glyph and caption go.
class GlyphButton : public Control {
public:
    Bitmap& Glyph() noexcept { return glyph_.Glyph(); }
    void SetGlyph(const Bitmap& glyph) { glyph_.Glyph().Assign(glyph); }
    int NumGlyphs() const noexcept { return glyph_.NumGlyphs(); }
    void SetNumGlyphs(int n) { glyph_.SetNumGlyphs(n); }
    int Spacing() const noexcept { return spacing_; }
    int Margin() const noexcept { return margin_; }
    ButtonLayout GetLayout() const noexcept { return layout_; }

    // Glyph and NumGlyphs.
    bool SetProperty(std::wstring_view name, std::wstring_view value, LayoutContext& context) override;

protected:
    const GlyphSource& Glyphs() const noexcept { return glyph_; }
    // A button that offers them makes them public.
    void SetSpacing(int s);
    void SetMargin(int m);
    void SetLayout(ButtonLayout l);

private:
    GlyphSource glyph_{[this] { Invalidate(); }};
    int spacing_ = 4;
    int margin_ = -1;
    ButtonLayout layout_ = ButtonLayout::GlyphLeft;
};

class BitBtn : public GlyphButton {
public:
    BitBtn();

    bool Default() const noexcept { return default_; }
    void SetDefault(bool d);
    bool Cancel() const noexcept { return cancel_; }
    void SetCancel(bool c) noexcept { cancel_ = c; }
    int ModalResult() const noexcept { return modalResult_; }
    void SetModalResult(int r) noexcept { modalResult_ = r; }
    using GlyphButton::SetLayout;
    using GlyphButton::SetMargin;
    using GlyphButton::SetSpacing;

    // Draws the dark frame: focused, or the default button while no other
    // button has the focus.
    bool IsActive() const;

    void Click() override;
    bool IsButton() const override { return true; }
    bool IsDefaultButton() const override { return default_; }
    bool IsCancelButton() const override { return cancel_; }
    // The default button's frame follows whether a button holds the focus.
    void FocusMovedInForm() override {
        if (default_) Invalidate();
    }
    bool SetProperty(std::wstring_view name, std::wstring_view value, LayoutContext& context) override;
    std::wstring_view KindName() const override { return L"TBitBtn"; }

protected:
    void CreateParams(WindowParams& params) override;
    LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override;
    void Command(WORD code) override;
    // Face, glyph (its transparent pixels in button face), caption,
    // default frame and focus rectangle.
    void DrawItem(const DRAWITEMSTRUCT& item) override;
    void FocusEnter() override { Invalidate(); }
    void FocusLeave() override { Invalidate(); }

private:
    // A margin or spacing at the density; -1 (decided by the layout) stays.
    int ScaledOrAuto(int design) const;

    bool default_ = false;
    bool cancel_ = false;
    int modalResult_ = 0;
};

// The speed button: a glyph button that never takes the focus, with a
// down state that can stick (GroupIndex) and an optional flat look.
class SpeedButton : public GlyphButton {
public:
    bool Down() const noexcept { return down_; }
    void SetDown(bool d);
    int GroupIndex() const noexcept { return groupIndex_; }
    void SetGroupIndex(int g) noexcept { groupIndex_ = g; }
    bool Flat() const noexcept { return flat_; }
    void SetFlat(bool f);
    bool Transparent() const noexcept { return transparent_; }
    void SetTransparent(bool t);
    ButtonState State() const noexcept { return state_; }

    bool CanFocus() const override { return false; }
    bool SetProperty(std::wstring_view name, std::wstring_view value, LayoutContext& context) override;
    std::wstring_view KindName() const override { return L"TSpeedButton"; }

protected:
    void CreateParams(WindowParams& params) override;
    void Paint(HDC dc) override;
    void EraseBackground(HDC) override {}
    void EnabledChanged() override;
    void MouseDown(MouseButton button, int x, int y) override;
    void MouseMove(int x, int y) override;
    void MouseUp(MouseButton button, int x, int y) override;
    void MouseEnter(Control& source) override;
    void MouseLeave(Control& source) override;
    void TextChanged() override { Invalidate(); }

private:
    bool down_ = false;
    int groupIndex_ = 0;
    bool flat_ = false;
    bool transparent_ = true;
    ButtonState state_ = ButtonState::Up;
    bool dragging_ = false;
    bool hot_ = false;
};

inline const ControlKind<BitBtn> kBitBtnKind{L"TBitBtn"};
inline const ControlKind<SpeedButton> kSpeedButtonKind{L"TSpeedButton"};

}  // namespace tk
