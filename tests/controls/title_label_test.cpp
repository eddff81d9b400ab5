#include <set>
#include <utility>

#include <gtest/gtest.h>

#include "controls/title_label.h"
#include "tests/toolkit/gui_support.h"

namespace {

using namespace guitest;

using Pixels = std::set<std::pair<int, int>>;

class TitleLabel : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        title = &Add<TOrvelLabel>(120, 8, 129, 25);
        tk::Font font;
        font.SetHeight(-19);
        font.SetStyle(tk::fsBold);
        title->SetFont(font);
        title->SetText(L"Tessavel");
        Settle();
        ASSERT_NE(GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNFACE));
    }
    Pixels Find(COLORREF colour) {
        Settle();
        Pixels found;
        const HWND h = title->Handle();
        for (int y = 0; y < title->Height(); ++y)
            for (int x = 0; x < title->Width(); ++x)
                if (ClientPixel(h, x, y) == colour) found.insert({x, y});
        return found;
    }
    SIZE Measured() {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, title->GetFont().Handle());
        RECT r{0, 0, 0, 0};
        DrawTextW(dc, L"Tessavel", -1, &r, DT_CALCRECT | DT_EXPANDTABS);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        return {r.right, r.bottom};
    }
    // The shadow is the text's shape `dx`, `dy` from it: wherever the text
    // covers a pixel fully, something is drawn at that offset (the shadow,
    // or text over it; the edges of letters may be smoothed, so only full
    // coverage counts), and the shadow's own colour shows on that side.
    void ExpectShadowAt(const Pixels& text, const Pixels& shadow, int dx, int dy) {
        ASSERT_FALSE(text.empty());
        ASSERT_FALSE(shadow.empty());
        const COLORREF background = GetSysColor(COLOR_BTNFACE);
        for (auto [x, y] : text)
            EXPECT_NE(ClientPixel(title->Handle(), x + dx, y + dy), background) << x << "," << y;
        // How far each reaches in the shadow's direction.
        int textX = -(1 << 30), shadowX = textX, textY = textX, shadowY = textX;
        for (auto [x, y] : text) textX = std::max(textX, x * dx), textY = std::max(textY, y * dy);
        for (auto [x, y] : shadow) shadowX = std::max(shadowX, x * dx), shadowY = std::max(shadowY, y * dy);
        EXPECT_GT(shadowX, textX);
        EXPECT_GT(shadowY, textY);
    }

    TOrvelLabel* title = nullptr;
};

TEST_F(TitleLabel, DrawsAHighlightEdgeAboveAndLeftOfTheText) {
    const Pixels text = Find(GetSysColor(COLOR_WINDOWTEXT));
    const Pixels shadow = Find(GetSysColor(COLOR_BTNHIGHLIGHT));
    ExpectShadowAt(text, shadow, -1, -1);
}

TEST_F(TitleLabel, SizesItselfToTheTextPlusTheShadow) {
    const SIZE text = Measured();
    EXPECT_EQ(title->Left(), 120);
    EXPECT_EQ(title->Width(), text.cx + 1);
    EXPECT_EQ(title->Height(), text.cy + 1);
    title->SetShadowSize(3);
    EXPECT_EQ(title->Width(), text.cx + 3);
    title->SetAlignment(tk::Alignment::Right);
    const int right = title->Left() + title->Width();
    title->SetText(L"T");
    EXPECT_EQ(title->Left() + title->Width(), right);
}

TEST_F(TitleLabel, DisabledIsEmbossedDownAndRight) {
    title->SetEnabled(false);
    const Pixels text = Find(GetSysColor(COLOR_BTNSHADOW));
    const Pixels shadow = Find(GetSysColor(COLOR_BTNHIGHLIGHT));
    ExpectShadowAt(text, shadow, 1, 1);
    EXPECT_TRUE(Find(GetSysColor(COLOR_WINDOWTEXT)).empty());
}

TEST_F(TitleLabel, SimpleViewDrawsTheTextOnce) {
    title->SetSimpleView(true);
    EXPECT_FALSE(Find(GetSysColor(COLOR_WINDOWTEXT)).empty());
    EXPECT_TRUE(Find(GetSysColor(COLOR_BTNHIGHLIGHT)).empty());
}

TEST_F(TitleLabel, OtherPositionsMoveTheShadowToTheirCorner) {
    title->SetShadowColor(RGB(0xFF, 0, 0));
    const std::pair<TShadowPosition, POINT> cases[] = {
        {spLeftBottom, {-1, 1}}, {spRightBottom, {1, 1}}, {spRightTop, {1, -1}}};
    for (const auto& [pos, d] : cases) {
        title->SetShadowPos(pos);
        ExpectShadowAt(Find(GetSysColor(COLOR_WINDOWTEXT)), Find(RGB(0xFF, 0, 0)), d.x, d.y);
    }
}

}  // namespace
