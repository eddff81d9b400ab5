#include <gtest/gtest.h>

#include "controls/combo_edit.h"
#include "tests/toolkit/gui_support.h"

namespace {

using namespace guitest;

COLORREF Sys(int index) { return GetSysColor(index); }
constexpr COLORREF kBlack = RGB(0, 0, 0), kNavy = RGB(0, 0, 0x80);

class ComboEdit : public WindowTest {
protected:
    void SetUp() override {
        InitFlatControls();
        WindowTest::SetUp();
        combo = &Add<TfsComboEdit>(112, 64, 217, 21, 0);
        combo->OnButtonClick = [this](tk::Component& sender) {
            EXPECT_EQ(&sender, combo);
            EXPECT_TRUE(combo->Focused());
            ++clicks;
        };
        elsewhere = &Add<TfsEdit>(112, 120, 217, 21, 1);
        elsewhere->SetFocus();
        ASSERT_TRUE(WaitUntil([&] { return elsewhere->Focused(); }));
        bw = GetSystemMetrics(SM_CXVSCROLL) - 1;
        Settle();
    }
    HWND ButtonWindow() { return combo->Button().Handle(); }
    // The first dot of the 8 x 8 image, which lies at 4, 4 in the button
    // (5, 5 while held): image rows 3 and 4, columns 0 and 1.
    COLORREF Dot(bool held = false) {
        Settle();
        const int o = held ? 5 : 4;
        return ClientPixel(ButtonWindow(), o + 0, o + 3);
    }
    void PressKey(WPARAM key) {
        PostMessageW(combo->Handle(), WM_KEYDOWN, key, 1);
        PostMessageW(combo->Handle(), WM_KEYUP, key, 0xC0000001);
        Settle();
    }

    TfsComboEdit* combo = nullptr;
    TfsEdit* elsewhere = nullptr;
    int bw = 0;
    int clicks = 0;
};

TEST_F(ComboEdit, TheButtonFillsTheRightEndLeavingOnePixelAround) {
    EXPECT_EQ(combo->ButtonWidth(), bw);
    auto& b = combo->Button();
    EXPECT_EQ(b.Left(), 217 - bw - 5);  // 197 with a 16-pixel arrow
    EXPECT_EQ(b.Top(), 1);
    EXPECT_EQ(b.Width(), bw);
    EXPECT_EQ(b.Height(), 15);
    EXPECT_EQ(HIWORD(SendMessageW(combo->Handle(), EM_GETMARGINS, 0, 0)), bw);
    EXPECT_EQ(LOWORD(SendMessageW(combo->Handle(), EM_GETMARGINS, 0, 0)), LOWORD(SendMessageW(elsewhere->Handle(), EM_GETMARGINS, 0, 0)));
    combo->SetBounds(112, 64, 300, 25);
    Settle();
    EXPECT_EQ(b.Left(), 300 - bw - 5);
    EXPECT_EQ(b.Height(), 19);
    EXPECT_EQ(b.GetCursor(), tk::Cursor::Arrow);
}

// The edit control resets its margins with every new font, and a window
// can be sized by others than the control's own bounds.
TEST_F(ComboEdit, TheMarginAndTheButtonFollowFontsAndSizesSetAfterCreation) {
    combo->GetFont().SetHeight(-13);
    EXPECT_EQ(HIWORD(SendMessageW(combo->Handle(), EM_GETMARGINS, 0, 0)), bw);
    MoveWindow(combo->Handle(), 112, 64, 300, 25, TRUE);
    EXPECT_EQ(combo->Button().Left(), 300 - bw - 5);
    EXPECT_EQ(combo->Button().Height(), 19);
}

TEST_F(ComboEdit, ABevelLiesOnTheButtonsOuterRing) {
    // From 217 - bw - 3, 3 to 214, 18 in the window (199, 3 to 214, 18 for
    // a 16-pixel arrow), right and bottom exclusive.
    const HWND h = combo->Handle();
    const int left = 217 - bw - 3, right = 213, top = 3, bottom = 17;
    EXPECT_EQ(WindowPixel(h, left, 10), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(WindowPixel(h, (left + right) / 2, top), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(WindowPixel(h, right, 10), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(WindowPixel(h, (left + right) / 2, bottom), Sys(COLOR_BTNSHADOW));
    // The edit's background shows one pixel outside it, the flat frame
    // beyond that.
    EXPECT_EQ(WindowPixel(h, right + 1, 10), Sys(COLOR_WINDOW));
    EXPECT_EQ(WindowPixel(h, 216, 10), Sys(COLOR_BTNFACE));
}

TEST_F(ComboEdit, DotsAreBlackNavyUnderThePointerAndWhileHeld) {
    EXPECT_EQ(Dot(), kBlack);
    EXPECT_EQ(ClientPixel(ButtonWindow(), 4 + 2, 4 + 3), Sys(COLOR_BTNFACE));  // between the dots

    MoveMouseTo(ButtonWindow(), {7, 7});
    ASSERT_TRUE(WaitUntil([&] { return combo->Button().Hovered(); }));
    EXPECT_TRUE(combo->Hovered());  // the button's enter counts for the edit
    EXPECT_EQ(Dot(), kNavy);
    EXPECT_EQ(WindowPixel(combo->Handle(), 0, 10), Sys(COLOR_BTNSHADOW));  // hot frame

    LeftDown();
    ASSERT_TRUE(WaitUntil([&] { return combo->Button().Pressed(); }));
    EXPECT_TRUE(combo->Focused());  // taken at the press
    EXPECT_EQ(Dot(true), kNavy);
    // Held with the pointer over it: the bevel ring is button face.
    EXPECT_EQ(WindowPixel(combo->Handle(), 217 - bw - 3, 10), Sys(COLOR_BTNFACE));
    EXPECT_EQ(clicks, 0);
    LeftUp();
    ASSERT_TRUE(WaitUntil([&] { return clicks == 1; }));
    EXPECT_EQ(Dot(), kNavy);

    MoveMouseAway();
    ASSERT_TRUE(WaitUntil([&] { return !combo->Button().Hovered(); }));
    EXPECT_EQ(Dot(), kBlack);
}

TEST_F(ComboEdit, DisabledShowsButtonShadowDotsOnButtonFace) {
    combo->SetEnabled(false);
    EXPECT_FALSE(combo->Button().Enabled());
    EXPECT_EQ(Dot(), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(ClientPixel(ButtonWindow(), 4 + 2, 4 + 3), Sys(COLOR_BTNFACE));
    EXPECT_EQ(ClientPixel(ButtonWindow(), 4, 4), Sys(COLOR_BTNFACE));
    combo->SetEnabled(true);
    EXPECT_EQ(Dot(), kBlack);
}

TEST_F(ComboEdit, PressMoveOffReleaseFiresNothingButTakesTheFocus) {
    MoveMouseTo(ButtonWindow(), {7, 7});
    ASSERT_TRUE(WaitUntil([&] { return combo->Button().Hovered(); }));
    LeftDown();
    ASSERT_TRUE(WaitUntil([&] { return combo->Button().Pressed(); }));
    EXPECT_TRUE(combo->Focused());
    MoveMouseTo(ButtonWindow(), {60, 60});
    ASSERT_TRUE(WaitUntil([&] { return !combo->Button().Hovered(); }));
    EXPECT_EQ(Dot(true), kBlack);  // held elsewhere: up image, still shifted
    LeftUp();
    ASSERT_TRUE(WaitUntil([&] { return !combo->Button().Pressed(); }));
    Settle();
    EXPECT_EQ(clicks, 0);
}

TEST_F(ComboEdit, PlainF4ClicksTheButtonAndModifiedF4DoesNot) {
    combo->SetFocus();
    PressKey(VK_F4);
    EXPECT_EQ(clicks, 1);
    for (int modifier : {VK_SHIFT, VK_CONTROL, VK_MENU}) {
        SetKeyDown(modifier, true);
        PressKey(VK_F4);
        SetKeyDown(modifier, false);
        EXPECT_EQ(clicks, 1) << modifier;
    }
    combo->SetReadOnly(true);
    PressKey(VK_F4);
    EXPECT_EQ(clicks, 2);
    // Only while the combo-edit has the focus.
    elsewhere->SetFocus();
    PostMessageW(elsewhere->Handle(), WM_KEYDOWN, VK_F4, 1);
    Settle();
    EXPECT_EQ(clicks, 2);
}

TEST_F(ComboEdit, ButtonGlyphIsTheButtonsGlyph) {
    EXPECT_EQ(combo->ButtonGlyph().Width(), 32);
    EXPECT_EQ(combo->ButtonGlyph().Height(), 8);
    EXPECT_EQ(combo->Button().FlatGlyph().NumGlyphs(), 4);
    tk::Bitmap red(8, 8, RGB(0xFF, 0, 0));
    red.SetPixel(0, 7, RGB(0, 0x80, 0));  // the see-through corner
    combo->SetButtonGlyph(red);
    EXPECT_EQ(combo->Button().FlatGlyph().NumGlyphs(), 1);
    EXPECT_EQ(Dot(), RGB(0xFF, 0, 0));
}

TEST_F(ComboEdit, TwoComboEditsShareOneListOfEightByEightImages) {
    auto& second = Add<TfsComboEdit>(112, 88, 217, 21, 2);
    Settle();
    const TGlyphList* list = combo->Button().FlatGlyph().List();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(second.Button().FlatGlyph().List(), list);
    EXPECT_EQ(list->Width(), 8);
    EXPECT_EQ(list->Height(), 8);
    EXPECT_EQ(GlyphCache()->ListCount(), 1u);
    EXPECT_EQ(list->Count(), 2);  // each one's up image
}

TEST_F(ComboEdit, HoverPressAndGlyphChangesTakeNoGdiObjects) {
    const tk::Bitmap glyph = combo->ButtonGlyph();
    auto cycle = [&](int times) {
        for (int i = 0; i < times; ++i) {
            auto& b = combo->Button();
            b.MouseEnter(b);
            combo->Repaint();
            b.Update();
            b.MouseLeave(b);
            combo->SetEnabled(i % 2 == 0);
            combo->SetButtonGlyph(glyph);
            b.Update();
        }
        combo->SetEnabled(true);
        Settle();
    };
    cycle(2);
    const std::size_t before = GdiObjects();
    cycle(100);
    EXPECT_EQ(GdiObjects(), before);
}

}  // namespace
