#include <gtest/gtest.h>

#include "controls/flat_edit.h"
#include "controls/flat_frame_color.h"
#include "tests/toolkit/gui_support.h"

namespace {

using namespace guitest;

COLORREF Sys(int index) { return GetSysColor(index); }

class FlatEdit : public WindowTest {
protected:
    void SetUp() override {
        InitFlatControls();
        WindowTest::SetUp();
    }

    // Rings 0, 1 and 2 on the top-left and the bottom-right sides.
    struct Rings {
        COLORREF topLeft[3];
        COLORREF bottomRight[3];
    };
    static Rings ReadRings(HWND hwnd) {
        RECT r;
        GetWindowRect(hwnd, &r);
        const int w = r.right - r.left, h = r.bottom - r.top;
        Rings rings{};
        for (int i = 0; i < 3; ++i) {
            rings.topLeft[i] = WindowPixel(hwnd, i, h / 2);
            rings.bottomRight[i] = WindowPixel(hwnd, w / 2, h - 1 - i);
        }
        return rings;
    }
    static void ExpectFlat(HWND hwnd) {
        const Rings r = ReadRings(hwnd);
        for (int side = 0; side < 2; ++side) {
            const COLORREF* ring = side == 0 ? r.topLeft : r.bottomRight;
            EXPECT_EQ(ring[0], Sys(COLOR_BTNFACE)) << "ring 0, side " << side;
            EXPECT_EQ(ring[1], Sys(COLOR_BTNFACE)) << "ring 1, side " << side;
            EXPECT_EQ(ring[2], FlatFrameColor) << "ring 2, side " << side;
        }
    }
    static void ExpectHot(HWND hwnd) {
        const Rings r = ReadRings(hwnd);
        EXPECT_EQ(r.topLeft[0], Sys(COLOR_BTNSHADOW));
        EXPECT_EQ(r.bottomRight[0], Sys(COLOR_BTNHIGHLIGHT));
        for (int side = 0; side < 2; ++side) {
            const COLORREF* ring = side == 0 ? r.topLeft : r.bottomRight;
            EXPECT_EQ(ring[1], Sys(COLOR_BTNFACE)) << "ring 1, side " << side;
            EXPECT_EQ(ring[2], FlatFrameColor) << "ring 2, side " << side;
        }
    }
};

TEST_F(FlatEdit, FrameColourFollowsTheDisplayDepth) {
    EXPECT_EQ(DefaultFlatStyle, fsFlat);
    EXPECT_EQ(FlatFrameColor,
              FlatFrameColorFor(tk::ScreenBitsPerPixel(), Sys(COLOR_WINDOW), Sys(COLOR_SCROLLBAR)));
}

TEST_F(FlatEdit, ThreeFlatRingsThenASunkenOuterRingUnderThePointer) {
    auto& edit = Add<TfsEdit>(20, 20, 217, 21, 0);
    auto& other = Add<TfsEdit>(20, 60, 217, 21, 1);
    other.SetFocus();
    Settle();
    const HWND hwnd = edit.Handle();
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_FALSE(GetWindowLongW(hwnd, GWL_STYLE) & WS_BORDER);
    ExpectFlat(hwnd);

    MoveMouseTo(hwnd, {30, 8});
    ASSERT_TRUE(WaitUntil([&] { return edit.Hovered(); }));
    Settle();
    ExpectHot(hwnd);

    MoveMouseAway();
    ASSERT_TRUE(WaitUntil([&] { return !edit.Hovered(); }));
    Settle();
    ExpectFlat(hwnd);
}

TEST_F(FlatEdit, TheFocusedEditKeepsItsHotFrameWhenThePointerLeaves) {
    auto& edit = Add<TfsEdit>(20, 20, 217, 21, 0);
    edit.SetFocus();
    ASSERT_TRUE(WaitUntil([&] { return edit.Focused(); }));
    Settle();
    ExpectHot(edit.Handle());

    MoveMouseTo(edit.Handle(), {30, 8});
    ASSERT_TRUE(WaitUntil([&] { return edit.Hovered(); }));
    MoveMouseAway();
    ASSERT_TRUE(WaitUntil([&] { return !edit.Hovered(); }));
    Settle();
    ExpectHot(edit.Handle());

    auto& other = Add<TfsEdit>(20, 60, 217, 21, 1);
    other.SetFocus();
    ASSERT_TRUE(WaitUntil([&] { return other.Focused(); }));
    Settle();
    ExpectFlat(edit.Handle());
}

TEST_F(FlatEdit, TheFrameSurvivesRepaintsOfTextAndBorder) {
    auto& edit = Add<TfsEdit>(20, 20, 217, 21, 0);
    Settle();
    edit.SetText(L"another text");
    RedrawWindow(edit.Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Settle();
    ExpectFlat(edit.Handle());
}

TEST_F(FlatEdit, StandardStyleKeepsTheClientEdge) {
    auto& edit = Add<TfsEdit>(20, 20, 217, 21, 0);
    edit.SetFlatStyle(fsStandard);
    Settle();
    // The system's sunken edge: shadow outside, dark shadow inside.
    EXPECT_EQ(WindowPixel(edit.Handle(), 0, 10), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(WindowPixel(edit.Handle(), 1, 10), Sys(COLOR_3DDKSHADOW));
    edit.SetFlatStyle(fsFlat);
    Settle();
    ExpectFlat(edit.Handle());
}

TEST_F(FlatEdit, TheThreeDimensionalSettingRecreatesOnlyWhileStandard) {
    auto& edit = Add<TfsEdit>(20, 20, 217, 21, 0);
    const HWND flat = edit.Handle();
    edit.SetCtl3D(false);
    EXPECT_EQ(edit.Handle(), flat);
    EXPECT_TRUE(GetWindowLongW(flat, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

    // Standard and not three-dimensional: a plain line (which the edit
    // control draws itself), no client edge.
    edit.SetFlatStyle(fsStandard);
    const HWND standard = edit.Handle();
    EXPECT_NE(standard, flat);
    EXPECT_FALSE(GetWindowLongW(standard, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    edit.SetCtl3D(true);
    EXPECT_NE(edit.Handle(), standard);
    EXPECT_TRUE(GetWindowLongW(edit.Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
}

TEST_F(FlatEdit, MemoHasAThreePixelBorderWithTheRingsOutsideTheClient) {
    auto& memo = Add<TfsMemo>(20, 20, 200, 97, 0);
    memo.SetScrollBars(tk::ScrollBars::Vertical);
    memo.SetText(L"one\r\ntwo\r\nthree");
    auto& other = Add<TfsEdit>(20, 150, 100, 21, 1);
    other.SetFocus();
    Settle();
    const HWND hwnd = memo.Handle();
    RECT window, client;
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    EXPECT_EQ(origin.x - window.left, 3);
    EXPECT_EQ(origin.y - window.top, 3);
    EXPECT_EQ(window.bottom - window.top - client.bottom, 6);
    EXPECT_EQ(window.right - window.left - client.right, 6 + GetSystemMetrics(SM_CXVSCROLL));
    ExpectFlat(hwnd);

    MoveMouseTo(hwnd, {20, 20});
    ASSERT_TRUE(WaitUntil([&] { return memo.Hovered(); }));
    Settle();
    ExpectHot(hwnd);
}

TEST_F(FlatEdit, MemoWithBothScrollBarsFillsTheCornerWithButtonFace) {
    auto& memo = Add<TfsMemo>(20, 20, 200, 97, 0);
    memo.SetWordWrap(false);
    memo.SetScrollBars(tk::ScrollBars::Both);
    Settle();
    RECT window;
    GetWindowRect(memo.Handle(), &window);
    const int w = window.right - window.left, h = window.bottom - window.top;
    const int cx = GetSystemMetrics(SM_CXVSCROLL), cy = GetSystemMetrics(SM_CYHSCROLL);
    EXPECT_EQ(WindowPixel(memo.Handle(), w - 3 - cx / 2, h - 3 - cy / 2), Sys(COLOR_BTNFACE));
}

TEST_F(FlatEdit, RepaintsTakeNoGdiObjects) {
    auto& edit = Add<TfsEdit>(20, 20, 217, 21, 0);
    auto& memo = Add<TfsMemo>(20, 60, 200, 97, 1);
    memo.SetScrollBars(tk::ScrollBars::Both);
    Settle();
    const std::size_t before = GdiObjects();
    for (int i = 0; i < 100; ++i) {
        edit.MouseEnter(edit);
        edit.Repaint();
        edit.MouseLeave(edit);
        memo.Repaint();
    }
    Settle();
    EXPECT_EQ(GdiObjects(), before);
}

}  // namespace
