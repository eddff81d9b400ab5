#include <gtest/gtest.h>

#include "controls/flat_button.h"
#include "controls/flat_edit.h"
#include "tests/toolkit/gui_support.h"

namespace {

using namespace guitest;

COLORREF Sys(int index) { return GetSysColor(index); }

constexpr COLORREF kOlive = RGB(0x80, 0x80, 0), kWhite = RGB(0xFF, 0xFF, 0xFF), kGrey = RGB(0x80, 0x80, 0x80),
                   kRed = RGB(0xFF, 0, 0), kBlue = RGB(0, 0, 0xFF);

// Two 16 x 16 images on olive: the normal one with a red pixel at 3,3, the
// greyed one with white at 3,3, grey at 5,5 and blue at 7,7.
tk::Bitmap TestGlyph() {
    tk::Bitmap glyph(32, 16, kOlive);
    glyph.SetPixel(3, 3, kRed);
    glyph.SetPixel(16 + 3, 3, kWhite);
    glyph.SetPixel(16 + 5, 5, kGrey);
    glyph.SetPixel(16 + 7, 7, kBlue);
    return glyph;
}

class FlatBitBtn : public WindowTest {
protected:
    void SetUp() override {
        InitFlatControls();
        WindowTest::SetUp();
        button = &Add<TfsBitBtn>(20, 20, 100, 25, 0);
        button->SetText(L"OK");
        elsewhere = &Add<TfsEdit>(20, 100, 100, 21, 1);
        elsewhere->SetFocus();
        ASSERT_TRUE(WaitUntil([&] { return elsewhere->Focused(); }));
        Settle();
    }

    struct Bevel {
        COLORREF left, top, right, bottom;
    };
    Bevel ReadBevel() {
        Settle();
        const HWND h = button->Handle();
        return {ClientPixel(h, 1, 12), ClientPixel(h, 50, 1), ClientPixel(h, 98, 12), ClientPixel(h, 50, 23)};
    }
    // Left and top edges in `light`, right and bottom in `dark`.
    void ExpectBevel(COLORREF light, COLORREF dark) {
        const Bevel b = ReadBevel();
        EXPECT_EQ(b.left, light);
        EXPECT_EQ(b.top, light);
        EXPECT_EQ(b.right, dark);
        EXPECT_EQ(b.bottom, dark);
    }
    void ExpectOuterAndInnerRingsFace() {
        const HWND h = button->Handle();
        for (POINT p : {POINT{0, 12}, POINT{2, 12}, POINT{99, 12}, POINT{97, 12}, POINT{50, 0}, POINT{50, 2},
                        POINT{50, 24}, POINT{50, 22}})
            EXPECT_EQ(ClientPixel(h, p.x, p.y), Sys(COLOR_BTNFACE)) << p.x << "," << p.y;
    }

    TfsBitBtn* button = nullptr;
    TfsEdit* elsewhere = nullptr;
};

TEST_F(FlatBitBtn, RaisedBevelWhenIdle) {
    ExpectBevel(Sys(COLOR_BTNHIGHLIGHT), Sys(COLOR_BTNSHADOW));
    ExpectOuterAndInnerRingsFace();
}

TEST_F(FlatBitBtn, DarkShadowUnderThePointerAndBackAfterIt) {
    MoveMouseTo(button->Handle(), {50, 12});
    ASSERT_TRUE(WaitUntil([&] { return button->Hovered(); }));
    ExpectBevel(Sys(COLOR_BTNHIGHLIGHT), Sys(COLOR_3DDKSHADOW));
    ExpectOuterAndInnerRingsFace();

    MoveMouseAway();
    ASSERT_TRUE(WaitUntil([&] { return !button->Hovered(); }));
    const Bevel b = ReadBevel();
    EXPECT_EQ(b.right, Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(b.bottom, Sys(COLOR_BTNSHADOW));
}

TEST_F(FlatBitBtn, SunkenWhilePressedWhateverThePointerDoes) {
    int clicks = 0;
    button->OnClick = [&](tk::Component&) { ++clicks; };
    MoveMouseTo(button->Handle(), {50, 12});
    ASSERT_TRUE(WaitUntil([&] { return button->Hovered(); }));
    LeftDown();
    ASSERT_TRUE(WaitUntil([&] { return (SendMessageW(button->Handle(), BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; }));
    ExpectBevel(Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT));
    LeftUp();
    ASSERT_TRUE(WaitUntil([&] { return clicks == 1; }));

    // Held down with the pointer far away.
    MoveMouseAway();
    ASSERT_TRUE(WaitUntil([&] { return !button->Hovered(); }));
    SendMessageW(button->Handle(), BM_SETSTATE, TRUE, 0);
    const Bevel b = ReadBevel();
    EXPECT_EQ(b.left, Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(b.right, Sys(COLOR_BTNHIGHLIGHT));
    SendMessageW(button->Handle(), BM_SETSTATE, FALSE, 0);
}

TEST_F(FlatBitBtn, TheFocusedButtonKeepsTheHotBevel) {
    button->SetFocus();
    ASSERT_TRUE(WaitUntil([&] { return button->Focused(); }));
    const Bevel b = ReadBevel();
    EXPECT_EQ(b.left, Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(b.right, Sys(COLOR_3DDKSHADOW));
    EXPECT_EQ(b.bottom, Sys(COLOR_3DDKSHADOW));
    // The flat rings replace the dark frame of the focused button.
    ExpectOuterAndInnerRingsFace();
}

TEST_F(FlatBitBtn, StandardStyleShowsTheSystemBorder) {
    button->SetFlatStyle(fsStandard);
    Settle();
    // The raised push-button frame: dark shadow on the outer bottom edge.
    EXPECT_EQ(ClientPixel(button->Handle(), 50, 24), Sys(COLOR_3DDKSHADOW));
}

class FlatBitBtnGlyph : public FlatBitBtn {
protected:
    // With no caption a 16 x 16 glyph is centred in the 40 x 30 button
    // (shrunk by one pixel each side): at 12, 7.
    void SetUp() override {
        FlatBitBtn::SetUp();
        button->SetText(L"");
        button->SetBounds(20, 20, 40, 30);
        button->SetGlyph(TestGlyph());
        ASSERT_EQ(button->NumGlyphs(), 2);
        Settle();
    }
    COLORREF GlyphPixel(int x, int y) { return ClientPixel(button->Handle(), 12 + x, 7 + y); }
};

TEST_F(FlatBitBtnGlyph, EnabledShowsImageZeroOnButtonFace) {
    EXPECT_EQ(GlyphPixel(3, 3), kRed);
    EXPECT_EQ(GlyphPixel(0, 0), Sys(COLOR_BTNFACE));
    EXPECT_EQ(GlyphPixel(10, 10), Sys(COLOR_BTNFACE));
}

TEST_F(FlatBitBtnGlyph, PressedShiftsImageZeroOnePixel) {
    SendMessageW(button->Handle(), BM_SETSTATE, TRUE, 0);
    Settle();
    EXPECT_EQ(GlyphPixel(4, 4), kRed);
    EXPECT_NE(GlyphPixel(3, 3), kRed);
}

TEST_F(FlatBitBtnGlyph, DisabledRecoloursImageOne) {
    button->SetEnabled(false);
    Settle();
    EXPECT_EQ(GlyphPixel(3, 3), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(GlyphPixel(5, 5), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(GlyphPixel(7, 7), kBlue);
    EXPECT_EQ(GlyphPixel(0, 0), Sys(COLOR_BTNFACE));
    button->SetEnabled(true);
    Settle();
    EXPECT_EQ(GlyphPixel(3, 3), kRed);
}

TEST_F(FlatBitBtnGlyph, RepaintsAndGlyphChangesTakeNoGdiObjects) {
    const tk::Bitmap glyph = TestGlyph();
    auto cycle = [&](int times) {
        for (int i = 0; i < times; ++i) {
            button->SetGlyph(glyph);
            button->SetEnabled(i % 2 == 0);
            button->MouseEnter(*button);
            button->Repaint();
            button->MouseLeave(*button);
            button->Repaint();
        }
        button->SetEnabled(true);
        Settle();
    };
    cycle(2);  // what the system caches on first use
    const std::size_t before = GdiObjects();
    cycle(100);
    EXPECT_EQ(GdiObjects(), before);
}

}  // namespace
