#include <gtest/gtest.h>

#include "controls/flat_edit.h"
#include "controls/flat_label.h"
#include "tests/toolkit/gui_support.h"

namespace {

using namespace guitest;

class FlatLabel : public WindowTest {
protected:
    void SetUp() override {
        InitFlatControls();
        WindowTest::SetUp();
        label = &Add<TfsLabel>(20, 20, 120, 17);
        label->SetText(L"Пороль:");
        label->FlatFont().SetStyle(tk::fsBold);
        label->FlatFont().SetColor(RGB(0, 0, 0xFF));
        edit = &Add<TfsEdit>(150, 20, 100, 21, 0);
        focus = &Add<TfsEdit>(150, 60, 100, 21, 1);
        focus->SetFocus();
        ASSERT_TRUE(WaitUntil([&] { return focus->Focused(); }));
        Settle();
    }
    void Hover() {
        MoveMouseTo(label->Handle(), {10, 8});
        ASSERT_TRUE(WaitUntil([&] { return label->Hovered(); }));
    }
    void Leave() {
        MoveMouseAway();
        ASSERT_TRUE(WaitUntil([&] { return !label->Hovered(); }));
    }

    TfsLabel* label = nullptr;
    TfsEdit* edit = nullptr;
    TfsEdit* focus = nullptr;
};

TEST_F(FlatLabel, IsFlatAndOfFixedSize) {
    EXPECT_EQ(label->FlatStyle(), fsFlat);
    EXPECT_FALSE(label->AutoSize());
    EXPECT_FALSE(label->CanFocus());
    EXPECT_EQ(label->Width(), 120);
}

TEST_F(FlatLabel, TakesTheFlatFontUnderThePointerAndItsOwnAfterwards) {
    const tk::Font original = label->GetFont();
    Hover();
    EXPECT_EQ(label->GetFont().Style(), tk::fsBold);
    EXPECT_EQ(label->GetFont().TextColor(), RGB(0, 0, 0xFF));
    EXPECT_TRUE(label->SavedFont().SameAttributes(original));
    EXPECT_FALSE(edit->Hovered());  // no FocusControl: only the font changes
    Leave();
    EXPECT_TRUE(label->GetFont().SameAttributes(original));
}

TEST_F(FlatLabel, TellsItsFocusControlOfThePointerAndFocusesItOnAClick) {
    label->SetFocusControl(edit);
    Hover();
    EXPECT_TRUE(edit->Hovered());
    Settle();
    EXPECT_EQ(WindowPixel(edit->Handle(), 0, 10), GetSysColor(COLOR_BTNSHADOW));  // the hot ring
    int clicks = 0;
    label->OnClick = [&](tk::Component&) { ++clicks; };
    LeftDown();
    LeftUp();
    ASSERT_TRUE(WaitUntil([&] { return clicks == 1; }));
    EXPECT_TRUE(edit->Focused());
    Leave();
    EXPECT_FALSE(edit->Hovered());
}

TEST_F(FlatLabel, ADisabledLabelKeepsItsFontButStillSavesIt) {
    label->SetFocusControl(edit);
    label->SetEnabled(false);
    const tk::Font original = label->GetFont();
    label->MouseEnter(*label);
    EXPECT_TRUE(label->Hovered());
    EXPECT_TRUE(label->GetFont().SameAttributes(original));
    EXPECT_TRUE(label->SavedFont().SameAttributes(original));
    EXPECT_FALSE(edit->Hovered());
    label->MouseLeave(*label);
    EXPECT_FALSE(label->Hovered());
}

TEST_F(FlatLabel, ChangingTheStyleWhileHoveredRestoresAndReappliesTheSwap) {
    const tk::Font original = label->GetFont();
    label->SetFocusControl(edit);
    Hover();
    label->SetFlatStyle(fsStandard);
    EXPECT_TRUE(label->GetFont().SameAttributes(original));
    EXPECT_FALSE(edit->Hovered());
    EXPECT_TRUE(label->Hovered());  // re-entered, but standard: nothing swapped
    label->SetFlatStyle(fsFlat);
    EXPECT_EQ(label->GetFont().Style(), tk::fsBold);
    EXPECT_TRUE(edit->Hovered());
}

TEST_F(FlatLabel, AssigningFlatFontCopiesTheAttributes) {
    tk::Font other;
    other.SetName(L"Tahoma");
    other.SetHeight(-13);
    label->SetFlatFont(other);
    EXPECT_TRUE(label->FlatFont().SameAttributes(other));
    other.SetHeight(-20);
    EXPECT_EQ(label->FlatFont().Height(), -13);
    label->SetFlatFont(label->FlatFont());
    EXPECT_EQ(label->FlatFont().Height(), -13);
}

}  // namespace
