#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/toolkit/gui_support.h"
#include "toolkit/buttons.h"
#include "toolkit/edit.h"
#include "toolkit/label.h"

namespace {

using namespace guitest;

std::vector<std::wstring> events;

// Notes every enter and leave it is told of, with the control it is about
// (after the base, which first passes it on to the parent).
class Noted : public tk::Label {
public:
    void MouseEnter(tk::Control& source) override {
        Label::MouseEnter(source);
        events.push_back(Name() + L" enter " + source.Name());
    }
    void MouseLeave(tk::Control& source) override {
        Label::MouseLeave(source);
        events.push_back(Name() + L" leave " + source.Name());
    }
};

using Mouse = WindowTest;

TEST_F(Mouse, EnterAndLeaveArePassedOnToTheParentInOrder) {
    auto& outer = Add<Noted>(20, 20, 200, 100);
    outer.SetName(L"outer");
    auto& inner = outer.Own<Noted>();
    inner.SetName(L"inner");
    inner.SetAutoSize(false);
    inner.SetBounds(100, 20, 50, 50);
    inner.SetParent(&outer);
    events.clear();

    MoveMouseTo(outer.Handle(), {10, 10});
    ASSERT_TRUE(WaitUntil([&] { return outer.PointerInside(); }));
    MoveMouseTo(outer.Handle(), {120, 40});
    ASSERT_TRUE(WaitUntil([&] { return inner.PointerInside(); }));
    MoveMouseTo(outer.Handle(), {10, 10});
    ASSERT_TRUE(WaitUntil([&] { return outer.PointerInside() && !inner.PointerInside(); }));
    MoveMouseAway();
    ASSERT_TRUE(WaitUntil([&] { return !outer.PointerInside(); }));
    EXPECT_EQ(events, (std::vector<std::wstring>{
                          L"outer enter outer",
                          L"outer leave outer",
                          L"outer enter inner", L"inner enter inner",
                          L"outer leave inner", L"inner leave inner",
                          L"outer enter outer",
                          L"outer leave outer",
                      }));
}

TEST_F(Mouse, ALabelNeverTakesTheFocusButReportsClicks) {
    auto& edit = Add<tk::Edit>(20, 100, 100, 21, 0);
    auto& label = Add<tk::Label>(20, 20, 100, 17);
    label.SetText(L"label");
    edit.SetFocus();
    int clicks = 0;
    label.OnClick = [&](tk::Component&) { ++clicks; };
    MoveMouseTo(label.Handle(), {5, 5});
    LeftDown();
    LeftUp();
    ASSERT_TRUE(WaitUntil([&] { return clicks == 1; }));
    EXPECT_TRUE(edit.Focused());
}

TEST_F(Mouse, ASpeedButtonClicksOnlyWhenReleasedOverIt) {
    auto& button = Add<tk::SpeedButton>(20, 20, 40, 40);
    int clicks = 0;
    button.OnClick = [&](tk::Component&) { ++clicks; };
    MoveMouseTo(button.Handle(), {20, 20});
    LeftDown();
    ASSERT_TRUE(WaitUntil([&] { return button.State() == tk::ButtonState::Down; }));
    LeftUp();
    ASSERT_TRUE(WaitUntil([&] { return clicks == 1; }));
    EXPECT_EQ(button.State(), tk::ButtonState::Up);

    LeftDown();
    ASSERT_TRUE(WaitUntil([&] { return button.State() == tk::ButtonState::Down; }));
    MoveMouseTo(button.Handle(), {200, 200});
    ASSERT_TRUE(WaitUntil([&] { return button.State() == tk::ButtonState::Up; }));
    LeftUp();
    ASSERT_TRUE(WaitUntil([&] { return GetCapture() == nullptr; }));
    Settle();
    EXPECT_EQ(clicks, 1);
}

TEST_F(Mouse, ADisabledSpeedButtonDrawsItsDisabledState) {
    auto& button = Add<tk::SpeedButton>(20, 20, 40, 40);
    button.SetEnabled(false);
    EXPECT_EQ(button.State(), tk::ButtonState::Disabled);
    button.SetEnabled(true);
    EXPECT_EQ(button.State(), tk::ButtonState::Up);
}

}  // namespace
