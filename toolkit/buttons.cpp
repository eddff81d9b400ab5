#include "toolkit/buttons.h"

#include "toolkit/property.h"

namespace tk {

// --- shared glyph rules ---------------------------------------------------

int GlyphCountOf(int width, int height, int previous) {
    if (width <= 0 || height <= 0 || width % height != 0) return previous;
    const int n = width / height;
    return n >= 5 ? 1 : n;
}

int GlyphIndexFor(ButtonState state, int numGlyphs) {
    int index = static_cast<int>(state);
    if (state == ButtonState::Down && numGlyphs < 3) index = 0;
    return index < numGlyphs ? index : 0;
}

GlyphImage PrepareGlyphImage(const Bitmap& source, int numGlyphs, ButtonState state) {
    const int count = numGlyphs > 0 ? numGlyphs : 1;
    const int w = source.Width() / count, h = source.Height();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const int index = GlyphIndexFor(state, count);
    Bitmap image = source.Slice(index * w, 0, w, h);
    if (state != ButtonState::Disabled) {
        const COLORREF mask = source.TransparentMode() == Bitmap::Transparency::Fixed ? source.TransparentColor()
                                                                                      : image.Pixel(0, h - 1);
        return {std::move(image), mask};
    }
    const COLORREF transparent = source.TransparentColor();
    if (count >= 2) {
        const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const COLORREF c = image.Pixel(x, y);
                if (c == transparent) image.SetPixel(x, y, face);
                else if (c == RGB(0xFF, 0xFF, 0xFF)) image.SetPixel(x, y, highlight);
                else if (c == RGB(0x80, 0x80, 0x80)) image.SetPixel(x, y, shadow);
            }
    } else {
        // An embossed silhouette: the shape once in highlight one pixel
        // right and down, then in shadow in place, on button face.
        Bitmap embossed(w, h, face);
        const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (image.Pixel(x, y) != transparent) embossed.SetPixel(x + 1, y + 1, highlight);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (image.Pixel(x, y) != transparent) embossed.SetPixel(x, y, shadow);
        image = std::move(embossed);
    }
    const COLORREF mask = image.Pixel(0, h - 1);
    return {std::move(image), mask};
}

ButtonLayoutResult CalcButtonLayout(HDC dc, const RECT& client, POINT offset, const std::wstring& caption,
                                    ButtonLayout layout, int margin, int spacing, SIZE glyph) {
    const SIZE room{client.right - client.left, client.bottom - client.top};
    SIZE text{0, 0};
    if (!caption.empty()) {
        RECT t{0, 0, room.cx, 0};
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &t, DT_CALCRECT | DT_SINGLELINE);
        text = {t.right - t.left, t.bottom - t.top};
    }
    const bool horizontal = layout == ButtonLayout::GlyphLeft || layout == ButtonLayout::GlyphRight;
    POINT g{0, 0}, tp{0, 0};
    if (horizontal) {
        g.y = (room.cy - glyph.cy + 1) / 2;
        tp.y = (room.cy - text.cy + 1) / 2;
    } else {
        g.x = (room.cx - glyph.cx + 1) / 2;
        tp.x = (room.cx - text.cx + 1) / 2;
    }
    if (text.cx == 0 || glyph.cx == 0) spacing = 0;
    const int roomAlong = horizontal ? room.cx : room.cy;
    const int glyphAlong = horizontal ? glyph.cx : glyph.cy;
    const int textAlong = horizontal ? text.cx : text.cy;
    if (margin == -1) {
        if (spacing == -1) {
            margin = spacing = (roomAlong - glyphAlong - textAlong) / 3;
        } else {
            margin = (roomAlong - (glyphAlong + spacing + textAlong) + 1) / 2;
        }
    } else if (spacing == -1) {
        spacing = (roomAlong - (margin + glyphAlong) - textAlong) / 2;
    }
    switch (layout) {
    case ButtonLayout::GlyphLeft:
        g.x = margin;
        tp.x = g.x + glyph.cx + spacing;
        break;
    case ButtonLayout::GlyphRight:
        g.x = room.cx - margin - glyph.cx;
        tp.x = g.x - spacing - text.cx;
        break;
    case ButtonLayout::GlyphTop:
        g.y = margin;
        tp.y = g.y + glyph.cy + spacing;
        break;
    case ButtonLayout::GlyphBottom:
        g.y = room.cy - margin - glyph.cy;
        tp.y = g.y - spacing - text.cy;
        break;
    }
    const int dx = client.left + offset.x, dy = client.top + offset.y;
    return {{g.x + dx, g.y + dy}, {tp.x + dx, tp.y + dy, tp.x + dx + text.cx, tp.y + dy + text.cy}};
}

void DrawButtonCaption(HDC dc, const std::wstring& caption, RECT bounds, bool enabled, int line) {
    if (caption.empty()) return;
    const UINT flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    SetBkMode(dc, TRANSPARENT);
    if (enabled) DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &bounds, flags);
    else DrawEmbossedText(dc, caption, bounds, flags, line);
}

void DrawMasked(HDC dc, const Bitmap& image, int x, int y, COLORREF mask, COLORREF background) {
    if (image.Empty()) return;
    if (background != CLR_NONE) {
        Bitmap filled(image);
        for (int py = 0; py < filled.Height(); ++py)
            for (int px = 0; px < filled.Width(); ++px)
                if (filled.Pixel(px, py) == mask) filled.SetPixel(px, py, background);
        filled.Draw(dc, x, y);
        return;
    }
    MemoryDC mem(dc);
    Selected s(mem, image.Handle());
    TransparentBlt(dc, x, y, image.Width(), image.Height(), mem, 0, 0, image.Width(), image.Height(), mask);
}

namespace {

bool ParseButtonLayout(std::wstring_view v, ButtonLayout& out) {
    if (v == L"blGlyphLeft") out = ButtonLayout::GlyphLeft;
    else if (v == L"blGlyphRight") out = ButtonLayout::GlyphRight;
    else if (v == L"blGlyphTop") out = ButtonLayout::GlyphTop;
    else if (v == L"blGlyphBottom") out = ButtonLayout::GlyphBottom;
    else return false;
    return true;
}

int ParseModalResult(std::wstring_view v) {
    if (v == L"mrNone") return mrNone;
    if (v == L"mrOk") return mrOk;
    if (v == L"mrCancel") return mrCancel;
    if (v == L"mrYes") return mrYes;
    if (v == L"mrNo") return mrNo;
    return ParseInt(v);
}

}  // namespace

// --- GlyphSource ------------------------------------------------------------

GlyphSource::GlyphSource(std::function<void()> changed) : changed_(std::move(changed)) {
    glyph_.OnChange = [this] {
        numGlyphs_ = GlyphCountOf(glyph_.Width(), glyph_.Height(), numGlyphs_);
        changed_();
    };
}

void GlyphSource::SetNumGlyphs(int n) {
    if (n < 1 || n > 4 || n == numGlyphs_) return;
    numGlyphs_ = n;
    changed_();
}

SIZE GlyphSource::ImageSize(int zoom) const noexcept {
    if (glyph_.Empty()) return {0, 0};
    return {glyph_.Width() / numGlyphs_ * zoom, glyph_.Height() * zoom};
}

void GlyphSource::Draw(HDC dc, POINT at, ButtonState state, COLORREF background, int zoom) const {
    if (glyph_.Empty()) return;
    const GlyphImage g = PrepareGlyphImage(glyph_, numGlyphs_, state);
    DrawMasked(dc, Zoomed(g.image, zoom), at.x, at.y, g.mask, background);
}

// --- GlyphButton ------------------------------------------------------------

void GlyphButton::SetSpacing(int s) {
    if (Change(spacing_, s)) Invalidate();
}

void GlyphButton::SetMargin(int m) {
    if (Change(margin_, m)) Invalidate();
}

void GlyphButton::SetLayout(ButtonLayout l) {
    if (Change(layout_, l)) Invalidate();
}

bool GlyphButton::SetProperty(std::wstring_view name, std::wstring_view value, LayoutContext& context) {
    if (name == L"Glyph") SetGlyph(Bitmap::FromResource(context.Module(), std::wstring(value).c_str()));
    else if (name == L"NumGlyphs") SetNumGlyphs(ParseInt(value));
    else return Control::SetProperty(name, value, context);
    return true;
}

// --- BitBtn ---------------------------------------------------------------

BitBtn::BitBtn() { SetTabOrder(0); }

void BitBtn::CreateParams(WindowParams& p) {
    Control::CreateParams(p);
    p.className = L"TkBitBtn";
    p.baseClass = L"BUTTON";
    p.style |= BS_PUSHBUTTON | BS_OWNERDRAW;
}

LRESULT BitBtn::WndProc(UINT msg, WPARAM w, LPARAM l) {
    // An owner-drawn button turns a quick second press into a double click
    // and no click; each press counts as one here.
    if (msg == WM_LBUTTONDBLCLK) msg = WM_LBUTTONDOWN;
    return Control::WndProc(msg, w, l);
}

void BitBtn::Command(WORD code) {
    if (code == BN_CLICKED) Click();
}

void BitBtn::Click() {
    if (modalResult_ != mrNone) RequestModalResult(modalResult_);
    Control::Click();
}

void BitBtn::SetDefault(bool d) {
    if (Change(default_, d)) Invalidate();
}

bool BitBtn::IsActive() const {
    if (Focused()) return true;
    if (!default_) return false;
    const Control* focused = FromHandle(GetFocus());
    return !focused || !focused->IsButton();
}

int BitBtn::ScaledOrAuto(int design) const { return design < 0 ? design : Scaling()(design); }

void BitBtn::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    SavedDC saved(dc);
    const bool down = (item.itemState & ODS_SELECTED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    const bool enabled = (item.itemState & ODS_DISABLED) == 0;
    const int line = Scaling().Whole();
    RECT r = item.rcItem;
    if (focused || IsActive()) {
        SolidBrush frame(GetSysColor(COLOR_WINDOWFRAME));
        FrameRing(dc, r, frame.Get(), line);
        InflateRect(&r, -line, -line);
    }
    if (down) {
        SolidBrush shadow(GetSysColor(COLOR_BTNSHADOW));
        FrameRing(dc, r, shadow.Get(), line);
        InflateRect(&r, -line, -line);
        SolidBrush face(GetSysColor(COLOR_BTNFACE));
        FillRect(dc, &r, face.Get());
    } else {
        DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (enabled ? 0u : DFCS_INACTIVE));
    }
    RECT content = item.rcItem;
    InflateRect(&content, -line, -line);
    if (down) OffsetRect(&content, line, line);
    // Pixel art grows by a whole factor, and only as far as the button has
    // room inside its three-line frame.
    const SIZE image = Glyphs().ImageSize();
    const int frame = 6 * line;
    const int zoom = Scaling().FitFactor(image.cx, image.cy, content.right - content.left - frame + 2 * line,
                                         content.bottom - content.top - frame + 2 * line);
    Selected font(dc, GetFont().Handle());
    SetTextColor(dc, ToRgb(GetFont().TextColor()));
    const std::wstring caption = Text();
    const ButtonLayoutResult at = CalcButtonLayout(dc, content, {0, 0}, caption, GetLayout(), ScaledOrAuto(Margin()),
                                                   ScaledOrAuto(Spacing()), Glyphs().ImageSize(zoom));
    Glyphs().Draw(dc, at.glyph, !enabled ? ButtonState::Disabled : down ? ButtonState::Down : ButtonState::Up,
                GetSysColor(COLOR_BTNFACE), zoom);
    DrawButtonCaption(dc, caption, at.text, enabled, line);
    if (focused) {
        RECT f = item.rcItem;
        InflateRect(&f, -4 * line, -4 * line);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        DrawFocusRect(dc, &f);
    }
}

bool BitBtn::SetProperty(std::wstring_view name, std::wstring_view value, LayoutContext& context) {
    if (name == L"Default") SetDefault(ParseBool(value));
    else if (name == L"Cancel") SetCancel(ParseBool(value));
    else if (name == L"ModalResult") SetModalResult(ParseModalResult(value));
    else if (name == L"Spacing") SetSpacing(ParseInt(value));
    else if (name == L"Margin") SetMargin(ParseInt(value));
    else if (name == L"Layout") {
        ButtonLayout l;
        if (!ParseButtonLayout(value, l)) BadProperty(KindName(), name, "unknown layout");
        SetLayout(l);
    } else return GlyphButton::SetProperty(name, value, context);
    return true;
}

// --- SpeedButton ----------------------------------------------------------

void SpeedButton::CreateParams(WindowParams& p) {
    Control::CreateParams(p);
    p.className = L"TkSpeedButton";
    p.style &= ~static_cast<DWORD>(WS_TABSTOP);
}

void SpeedButton::SetDown(bool d) {
    if (groupIndex_ == 0) d = false;
    if (!Change(down_, d)) return;
    state_ = d ? ButtonState::Exclusive : ButtonState::Up;
    Invalidate();
}

void SpeedButton::SetFlat(bool f) {
    if (Change(flat_, f)) Invalidate();
}

void SpeedButton::SetTransparent(bool t) {
    if (Change(transparent_, t)) Invalidate();
}

void SpeedButton::EnabledChanged() {
    if (!Enabled()) {
        state_ = ButtonState::Disabled;
        dragging_ = false;
    } else if (state_ == ButtonState::Disabled) {
        state_ = down_ && groupIndex_ != 0 ? ButtonState::Exclusive : ButtonState::Up;
    }
    Invalidate();
}

void SpeedButton::MouseDown(MouseButton button, int x, int y) {
    if (button == MouseButton::Left && Enabled()) {
        if (!down_) {
            state_ = ButtonState::Down;
            Invalidate();
        }
        dragging_ = true;
    }
    Control::MouseDown(button, x, y);
}

void SpeedButton::MouseMove(int x, int y) {
    if (!dragging_) return;
    const RECT rc = ClientRect();
    const bool inside = x >= 0 && x < rc.right && y >= 0 && y < rc.bottom;
    ButtonState next = down_ ? ButtonState::Exclusive : ButtonState::Up;
    if (inside) next = down_ ? ButtonState::Exclusive : ButtonState::Down;
    if (next != state_) {
        state_ = next;
        Invalidate();
    }
}

void SpeedButton::MouseUp(MouseButton button, int x, int y) {
    Control::MouseUp(button, x, y);
    if (button != MouseButton::Left || !dragging_) return;
    dragging_ = false;
    const RECT rc = ClientRect();
    const bool inside = x >= 0 && x < rc.right && y >= 0 && y < rc.bottom;
    if (groupIndex_ == 0) state_ = ButtonState::Up;
    else if (inside) SetDown(!down_);
    else state_ = down_ ? ButtonState::Exclusive : ButtonState::Up;
    Invalidate();
}

void SpeedButton::MouseEnter(Control& source) {
    Control::MouseEnter(source);
    if (&source == this && !hot_) {
        hot_ = true;
        if (flat_) Invalidate();
    }
}

void SpeedButton::MouseLeave(Control& source) {
    Control::MouseLeave(source);
    if (&source == this && hot_) {
        hot_ = false;
        if (flat_) Invalidate();
    }
}

void SpeedButton::Paint(HDC dc) {
    RECT r = ClientRect();
    if (transparent_) {
        PaintParentBackground(dc);
    } else {
        SolidBrush brush(ToRgb(GetColor()));
        FillRect(dc, &r, brush.Get());
    }
    const bool pushed = state_ == ButtonState::Down || state_ == ButtonState::Exclusive;
    if (!flat_) {
        DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (pushed ? DFCS_PUSHED : 0u));
    } else if (hot_ || pushed) {
        DrawEdge(dc, &r, pushed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
    } else {
        InflateRect(&r, -1, -1);
    }
    SavedDC saved(dc);
    Selected font(dc, GetFont().Handle());
    SetTextColor(dc, ToRgb(GetFont().TextColor()));
    const std::wstring caption = Text();
    const POINT offset = pushed ? POINT{1, 1} : POINT{0, 0};
    const ButtonLayoutResult at =
        CalcButtonLayout(dc, r, offset, caption, GetLayout(), Margin(), Spacing(), Glyphs().ImageSize());
    const bool seeThrough = transparent_ || state_ == ButtonState::Exclusive;
    Glyphs().Draw(dc, at.glyph, state_, seeThrough ? CLR_NONE : GetSysColor(COLOR_BTNFACE));
    DrawButtonCaption(dc, caption, at.text, state_ != ButtonState::Disabled);
}

bool SpeedButton::SetProperty(std::wstring_view name, std::wstring_view value, LayoutContext& context) {
    if (name == L"GroupIndex") SetGroupIndex(ParseInt(value));
    else if (name == L"Down") SetDown(ParseBool(value));
    else if (name == L"Flat") SetFlat(ParseBool(value));
    else if (name == L"Transparent") SetTransparent(ParseBool(value));
    else if (name == L"OnClick") OnClick = context.Handler(value);
    else return GlyphButton::SetProperty(name, value, context);
    return true;
}

}  // namespace tk
