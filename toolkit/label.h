// The label: text drawn with alignment, vertical layout and word wrap.  A
// child window of its own class that follows the pointer and never takes
// the focus.
#pragma once

#include "toolkit/control.h"
#include "toolkit/layout.h"

namespace tk {

enum class Alignment { Left, Right, Center };
enum class TextLayout { Top, Center, Bottom };

class Label : public Control {
public:
    Label();

    Alignment GetAlignment() const noexcept { return alignment_; }
    void SetAlignment(Alignment a);
    TextLayout GetLayout() const noexcept { return layout_; }
    void SetLayout(TextLayout l);
    bool WordWrap() const noexcept { return wordWrap_; }
    void SetWordWrap(bool w);
    bool AutoSize() const noexcept { return autoSize_; }
    void SetAutoSize(bool a);
    bool Transparent() const noexcept { return transparent_; }
    void SetTransparent(bool t);
    bool ShowAccelChar() const noexcept { return showAccelChar_; }
    void SetShowAccelChar(bool s);
    Control* FocusControl() const noexcept { return focusControl_; }
    void SetFocusControl(Control* c) noexcept { focusControl_ = c; }

    bool CanFocus() const override { return false; }
    bool SetProperty(std::wstring_view name, std::wstring_view value, LayoutContext& context) override;
    void Loaded() override { AdjustBounds(); }
    std::wstring_view KindName() const override { return L"TLabel"; }

protected:
    void CreateParams(WindowParams& params) override;
    LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override;
    void Paint(HDC dc) override;
    void EraseBackground(HDC) override {}  // Paint fills
    void TextChanged() override;
    void FontChanged() override;

    // Draws (or with DT_CALCRECT measures) the caption in `rect`.
    virtual void DoDrawText(HDC dc, RECT& rect, UINT flags);
    // With AutoSize, takes the measured size of the text; a right-aligned
    // label keeps its right edge.
    virtual void AdjustBounds();
    // The flags of the text drawing: tabs, alignment, word wrap.
    UINT DrawFlags() const;
    // The caption as DoDrawText draws it (a lone "&" or nothing measured
    // as one space) and the flags with DT_NOPREFIX when accelerators are off.
    std::wstring DrawnText(UINT& flags) const;

private:
    Alignment alignment_ = Alignment::Left;
    TextLayout layout_ = TextLayout::Top;
    bool wordWrap_ = false;
    bool autoSize_ = true;
    bool transparent_ = false;
    bool showAccelChar_ = true;
    Control* focusControl_ = nullptr;
};

inline const ControlKind<Label> kLabelKind{L"TLabel"};

}  // namespace tk
