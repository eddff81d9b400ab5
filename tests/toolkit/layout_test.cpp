#include <gtest/gtest.h>

#include "tests/toolkit/gui_support.h"
#include "toolkit/buttons.h"
#include "toolkit/edit.h"
#include "toolkit/label.h"

namespace {

using namespace guitest;

const tk::FormLayout& TestLayout() {
    static const tk::FormLayout layout{
        .caption = L"Layout",
        .clientWidth = 336,
        .clientHeight = 187,
        .settings = {{L"Font.Name", L"MS Sans Serif"}, {L"Font.Height", L"-11"}},
        .controls = {
            {L"TLabel", L"PasswordLbl", 8, 8, 65, 17, L"Пороль:", -1,
             {{L"AutoSize", L"False"}, {L"Layout", L"tlBottom"}, {L"FocusControl", L"PasswordEdit"}}},
            {L"TEdit", L"PasswordEdit", 112, 8, 217, 21, L"marigold", 0,
             {{L"MaxLength", L"12"}, {L"PasswordChar", L"*"}}},
            {L"TEdit", L"InputEdit", 112, 64, 217, 21, L"", 1, {{L"ReadOnly", L"True"}}},
            {L"TEdit", L"RePasswordEdit", 112, 32, 217, 21, L"marigold", 3, {}},
            {L"TEdit", L"OutputEdit", 112, 88, 217, 21, L"", 2, {}},
            {L"TBitBtn", L"OkBtn", 168, 120, 153, 25, L"Зашифровать", 4,
             {{L"OnClick", L"OkBtnClick"}, {L"Default", L"True"}}},
            {L"TBitBtn", L"CancelBtn", 8, 120, 153, 25, L"Выход", 5,
             {{L"OnClick", L"CancelBtnClick"}, {L"Cancel", L"True"}}},
        },
    };
    return layout;
}

class Layout : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        loaded = &tk::Application::Instance().Own<tk::Form>();
        loaded->RegisterHandler(L"OkBtnClick", [this](tk::Component&) { ++okClicks; });
        loaded->RegisterHandler(L"CancelBtnClick", [this](tk::Component&) { ++cancelClicks; });
        tk::LoadLayout(*loaded, TestLayout());
        loaded->Show();
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == loaded->Handle(); }));
    }
    void TearDown() override {
        tk::Application::Instance().Free(*loaded);
        WindowTest::TearDown();
    }
    // A key pressed with the focus where it is, through the message loop.
    static void Press(WPARAM key) {
        HWND focus = GetFocus();
        PostMessageW(focus, WM_KEYDOWN, key, 1);
        PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
    }

    tk::Form* loaded = nullptr;
    int okClicks = 0, cancelClicks = 0;
};

TEST_F(Layout, CreatesTheControlsWithTheirBoundsTextAndSettings) {
    RECT client;
    GetClientRect(loaded->Handle(), &client);
    EXPECT_EQ(client.right, 336);
    EXPECT_EQ(client.bottom, 187);
    EXPECT_EQ(loaded->Text(), L"Layout");

    auto& password = loaded->Find<tk::Edit>(L"PasswordEdit");
    EXPECT_EQ(password.Left(), 112);
    EXPECT_EQ(password.Top(), 8);
    EXPECT_EQ(password.Width(), 217);
    EXPECT_EQ(password.Height(), 21);
    EXPECT_EQ(password.Text(), L"marigold");
    EXPECT_EQ(SendMessageW(password.Handle(), EM_GETLIMITTEXT, 0, 0), 12);
    EXPECT_EQ(SendMessageW(password.Handle(), EM_GETPASSWORDCHAR, 0, 0), L'*');
    EXPECT_EQ(password.GetFont().Name(), L"MS Sans Serif");
    EXPECT_TRUE(GetWindowLongW(loaded->Find<tk::Edit>(L"InputEdit").Handle(), GWL_STYLE) & ES_READONLY);

    auto& label = loaded->Find<tk::Label>(L"PasswordLbl");
    EXPECT_EQ(label.Text(), L"Пороль:");
    EXPECT_EQ(label.Width(), 65);
    EXPECT_EQ(label.FocusControl(), &password);
    EXPECT_EQ(label.GetLayout(), tk::TextLayout::Bottom);
    EXPECT_THROW(loaded->Find<tk::Label>(L"PasswordEdit"), tk::Error);
}

TEST_F(Layout, BadLayoutsNameWhatIsWrong) {
    tk::Form& other = tk::Application::Instance().Own<tk::Form>();
    tk::FormLayout bad{L"bad", 100, 100, tk::BorderStyle::Single, tk::biSystemMenu, tk::FormPosition::Designed, {},
                       {{L"TNoSuchThing", L"X", 0, 0, 10, 10, L"", -1, {}}}};
    EXPECT_THROW(tk::LoadLayout(other, bad), tk::Error);
    bad.controls[0] = {L"TEdit", L"X", 0, 0, 10, 10, L"", -1, {{L"Bogus", L"1"}}};
    try {
        tk::LoadLayout(other, bad);
        FAIL();
    } catch (const tk::Error& e) {
        EXPECT_STREQ(e.what(), "TEdit.Bogus: unknown property");
    }
    tk::Application::Instance().Free(other);
}

TEST_F(Layout, FocusStartsInTheFirstControlInTabOrderAndTabFollowsTheOrder) {
    const wchar_t* order[] = {L"PasswordEdit", L"InputEdit", L"OutputEdit", L"RePasswordEdit", L"OkBtn", L"CancelBtn",
                              L"PasswordEdit"};
    ASSERT_TRUE(WaitUntil([&] { return loaded->Find<tk::Control>(order[0]).Focused(); }));
    for (size_t i = 1; i < std::size(order); ++i) {
        Press(VK_TAB);
        ASSERT_TRUE(WaitUntil([&] { return loaded->Find<tk::Control>(order[i]).Focused(); })) << i;
    }
}

TEST_F(Layout, EnterPressesTheDefaultButtonAndEscapeTheCancelButton) {
    ASSERT_TRUE(WaitUntil([&] { return loaded->Find<tk::Control>(L"PasswordEdit").Focused(); }));
    Press(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return okClicks == 1; }));
    Press(VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return cancelClicks == 1; }));
    EXPECT_EQ(okClicks, 1);
}

TEST_F(Layout, TheDefaultButtonIsActiveUntilAnotherButtonTakesTheFocus) {
    auto& ok = loaded->Find<tk::BitBtn>(L"OkBtn");
    auto& cancel = loaded->Find<tk::BitBtn>(L"CancelBtn");
    EXPECT_TRUE(ok.IsActive());
    EXPECT_FALSE(cancel.IsActive());
    cancel.SetFocus();
    EXPECT_FALSE(ok.IsActive());
    EXPECT_TRUE(cancel.IsActive());
    // Enter on a focused button presses that one.
    Press(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return cancelClicks == 1; }));
    EXPECT_EQ(okClicks, 0);
}

}  // namespace
