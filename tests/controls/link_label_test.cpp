#include <gtest/gtest.h>

#include "controls/flat_style.h"
#include "controls/link_label.h"
#include "tests/controls/browser_stand_in.h"
#include "tests/toolkit/gui_support.h"


namespace {

using namespace guitest;

constexpr COLORREF kBlue = RGB(0, 0, 0xFF);
constexpr COLORREF kPurple = RGB(0x80, 0, 0x80);

// The label's client area as drawn: how many pixels have `colour`, and the
// longest run of them in one row (an underline runs under the whole text).
struct Look {
    int count = 0;
    int longestRun = 0;
};

Look LookOf(HWND window, COLORREF colour) {
    RECT rc;
    GetClientRect(window, &rc);
    Look look;
    HDC dc = GetDC(window);
    for (int y = 0; y < rc.bottom; ++y) {
        int run = 0;
        for (int x = 0; x < rc.right; ++x) {
            if (GetPixel(dc, x, y) == colour) {
                ++look.count;
                look.longestRun = std::max(look.longestRun, ++run);
            } else {
                run = 0;
            }
        }
    }
    ReleaseDC(window, dc);
    return look;
}

class LinkLabel : public WindowTest {
protected:
    void SetUp() override {
        InitFlatControls();
        WindowTest::SetUp();
        link = &Add<TabcURLLabel>(20, 20, 104, 13);
        link->SetParentFont(false);
        link->GetFont().SetName(L"MS Sans Serif");
        link->GetFont().SetHeight(-11);
        link->SetText(L"http://example.org/");
        link->SetURL(L"http://example.org/");
        link->SetCursor(tk::Cursor::HandPoint);
        link->OnMouseEnter = [this](tk::Component&) { ++enters; };
        link->OnMouseLeave = [this](tk::Component&) { ++leaves; };
        Settle();
        browser.Register(L"TessavelTestPage", L"\"C:\\Browser\\b.exe\" \"%1\"");
    }
    void TearDown() override {
        LeftUp();
        WindowTest::TearDown();
    }
    void Hover() {
        MoveMouseTo(link->Handle(), {10, 6});
        ASSERT_TRUE(WaitUntil([&] { return link->Hovered(); }));
        Settle();
    }
    Look Blue() { return LookOf(link->Handle(), kBlue); }
    Look Purple() { return LookOf(link->Handle(), kPurple); }

    Browser browser;
    TabcURLLabel* link = nullptr;
    int enters = 0, leaves = 0;
};

TEST_F(LinkLabel, DefaultsOfTheLink) {
    EXPECT_EQ(TabcLabelMouseEffects(almUnderline | almSound), link->MouseOverEffects());
    EXPECT_EQ(TabcLabelMouseEffects(almColor | almSound), link->MouseDownEffects());
    EXPECT_EQ(0x0000FFFFu, link->MouseOverColor());
    EXPECT_EQ(0x00800080u, link->MouseDownColor());
    EXPECT_EQ(0x00FF0000u, link->GetFont().TextColor());
    EXPECT_EQ(TabcShowWindowStyle::aswShowMaximized, link->ShowBrowser());
    EXPECT_FALSE(link->Pressed());
    EXPECT_FALSE(link->Hovered());

    TabcMouseLabel plain;
    EXPECT_EQ(TabcLabelMouseEffects(almUnderline | almSound), plain.MouseDownEffects());
    EXPECT_EQ(0x00FFFF00u, plain.MouseDownColor());

    const int codes[] = {0, 3, 6, 9, 5, 10, 3, 2, 7, 8, 4, 1};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(codes[i], ShowWindowCode(static_cast<TabcShowWindowStyle>(i))) << i;
}

TEST_F(LinkLabel, ColourEffectsNeverStandTogether) {
    TabcMouseLabel label;
    label.SetMouseOverEffects(almColorShadow);
    label.SetMouseOverEffects(almColor);
    EXPECT_EQ(TabcLabelMouseEffects(almColor), label.MouseOverEffects());
    label.SetMouseOverEffects(almColor | almColorShadow);  // gains the shadow: it wins
    EXPECT_EQ(TabcLabelMouseEffects(almColorShadow), label.MouseOverEffects());
    label.SetMouseDownEffects(0);
    label.SetMouseDownEffects(almColor | almColorShadow | almUnderline);
    EXPECT_EQ(TabcLabelMouseEffects(almColorShadow | almUnderline), label.MouseDownEffects());
    label.SetMouseDownEffects(almColor | almColorShadow | almUnderline);  // gains the colour: it wins
    EXPECT_EQ(TabcLabelMouseEffects(almColor | almUnderline), label.MouseDownEffects());
}

// Under the pointer: underlined in blue; held: purple without the
// underline, also off the label; released elsewhere: as before, and no
// browser.
TEST_F(LinkLabel, HoverUnderlinesHoldTurnsPurpleReleaseElsewhereRestores) {
    const Look normal = Blue();
    EXPECT_GT(normal.count, 20);
    EXPECT_LT(normal.longestRun, link->Width() / 2);

    Hover();
    EXPECT_EQ(1, enters);
    EXPECT_GE(Blue().longestRun, link->Width() * 9 / 10) << "underlined";

    LeftDown();
    ASSERT_TRUE(WaitUntil([&] { return link->Pressed(); }));
    Settle();
    EXPECT_EQ(0, Blue().count);
    EXPECT_GT(Purple().count, 20);
    EXPECT_LT(Purple().longestRun, link->Width() / 2) << "not underlined";

    MoveMouseTo(link->Handle(), {10, 60});  // onto the form
    ASSERT_TRUE(WaitUntil([&] { return !link->Hovered(); }));
    Settle();
    EXPECT_TRUE(link->Pressed());
    EXPECT_GT(Purple().count, 20) << "the down colour stays until the release";

    LeftUp();
    ASSERT_TRUE(WaitUntil([&] { return !link->Pressed(); }));
    Settle();
    EXPECT_EQ(normal.count, Blue().count);
    EXPECT_EQ(normal.longestRun, Blue().longestRun);
    EXPECT_TRUE(browser.starts.empty());
    EXPECT_EQ(1, leaves);
}

TEST_F(LinkLabel, TheOtherButtonsReleasedElsewhereOnlyRestoreTheLook) {
    const Look normal = Blue();
    for (tk::MouseButton button : {tk::MouseButton::Right, tk::MouseButton::Middle}) {
        Hover();
        ButtonDown(button);
        ASSERT_TRUE(WaitUntil([&] { return link->Pressed(); }));
        MoveMouseTo(link->Handle(), {10, 60});  // onto the form
        ButtonUp(button);
        ASSERT_TRUE(WaitUntil([&] { return !link->Pressed() && !link->Hovered(); }));
        Settle();
        EXPECT_EQ(normal.count, Blue().count);
        EXPECT_EQ(normal.longestRun, Blue().longestRun);
    }
    EXPECT_TRUE(browser.starts.empty());
}

TEST_F(LinkLabel, ClickStartsTheBrowserOnceWithTheCutCommandAndTheShowCode) {
    std::vector<std::size_t> startsAtClick;  // the ordinary click comes before the browser
    link->OnClick = [&](tk::Component&) { startsAtClick.push_back(browser.starts.size()); };
    Hover();
    LeftDown();
    ASSERT_TRUE(WaitUntil([&] { return link->Pressed(); }));
    LeftUp();
    ASSERT_TRUE(WaitUntil([&] { return !browser.starts.empty(); }));
    Settle();
    EXPECT_EQ(std::vector<std::size_t>{0}, startsAtClick);
    ASSERT_EQ(1u, browser.starts.size());
    EXPECT_EQ(L"\"C:\\Browser\\b.exe\"  http://example.org/", browser.starts[0].commandLine);
    EXPECT_EQ(SW_SHOWMAXIMIZED, browser.starts[0].showCode);
    EXPECT_GE(Blue().longestRun, link->Width() * 9 / 10) << "back to the hover look";

    // A mail link goes to the same browser, minimized.
    link->SetURL(L"mailto:author@example.org");
    link->SetShowBrowser(TabcShowWindowStyle::aswMinimize);
    link->Click();
    ASSERT_EQ(2u, browser.starts.size());
    EXPECT_EQ(L"\"C:\\Browser\\b.exe\"  mailto:author@example.org", browser.starts[1].commandLine);
    EXPECT_EQ(SW_MINIMIZE, browser.starts[1].showCode);
    EXPECT_EQ((std::vector<std::size_t>{0, 1}), startsAtClick);
}

TEST_F(LinkLabel, WithoutAnAssociationOrACommandAClickDoesNothing) {
    browser.Register(L"", nullptr);
    link->Click();
    browser.Register(L"TessavelTestPage", nullptr);
    link->Click();
    browser.Register(L"TessavelTestPage", L"");
    link->Click();
    EXPECT_TRUE(browser.starts.empty());
    EXPECT_TRUE(errors.empty());

    // The system's own start, with no stand-in: a real program starts.
    browser.Register(L"TessavelTestPage", L"C:\\windows\\system32\\cmd.exe /c exit %1");
    SetBrowserStarter(nullptr);
    EXPECT_GE(OpenInBrowser(L"0", SW_HIDE), 32u);
    browser.Register(L"TessavelTestPage", L"C:\\nowhere\\missing.exe %1");
    EXPECT_LT(OpenInBrowser(L"0", SW_HIDE), 32u);
}

// Open commands are often stored with variables; they are expanded after
// the cut, and a variable-looking URL is passed on as it is.
TEST_F(LinkLabel, AnExpandableCommandIsExpandedAfterTheCut) {
    browser.Register(L"TessavelTestPage", L"\"%SystemRoot%\\b.exe\" -url \"%1\" -tail", REG_EXPAND_SZ);
    link->SetURL(L"http://example.org/%SystemRoot%");
    link->Click();
    wchar_t root[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH);
    ASSERT_GT(n, 0u);
    ASSERT_EQ(1u, browser.starts.size());
    EXPECT_EQ(L"\"" + std::wstring(root, n) + L"\\b.exe\" -url  http://example.org/%SystemRoot%",
              browser.starts[0].commandLine);

    // Stored as plain text, the same command stays as it is.
    browser.Register(L"TessavelTestPage", L"\"%SystemRoot%\\b.exe\" \"%1\"");
    link->Click();
    ASSERT_EQ(2u, browser.starts.size());
    EXPECT_EQ(L"\"%SystemRoot%\\b.exe\"  http://example.org/%SystemRoot%", browser.starts[1].commandLine);
}

TEST_F(LinkLabel, DisabledIsEmbossedDeafAndComesBackHovered) {
    link->SetEnabled(false);
    Settle();
    EXPECT_EQ(0, Blue().count);
    EXPECT_GT(LookOf(link->Handle(), GetSysColor(COLOR_BTNSHADOW)).count, 20);
    EXPECT_GT(LookOf(link->Handle(), GetSysColor(COLOR_BTNHIGHLIGHT)).count, 20);

    MoveMouseTo(link->Handle(), {10, 6});
    LeftDown();
    Settle();
    EXPECT_FALSE(link->Hovered());
    EXPECT_FALSE(link->Pressed());
    LeftUp();
    Settle();
    // The events fire, enabled or not; the state does not move.
    link->MouseEnter(*link);
    link->MouseLeave(*link);
    EXPECT_FALSE(link->Hovered());
    EXPECT_GE(enters, 1);
    EXPECT_GE(leaves, 1);
    EXPECT_TRUE(browser.starts.empty());

    // Enabled again under the pointer: the hover look at once.
    link->SetEnabled(true);
    EXPECT_TRUE(link->Hovered());
    Settle();
    EXPECT_GE(Blue().longestRun, link->Width() * 9 / 10);
}

TEST_F(LinkLabel, ShadowEffectDrawsAroundTheTextInItsOwnColour) {
    link->SetMouseOverEffects(almColorShadow);
    link->SetMouseOverColor(RGB(0, 0x80, 0));
    Hover();
    EXPECT_GT(LookOf(link->Handle(), RGB(0, 0x80, 0)).count, 20);
    EXPECT_GT(Blue().count, 20) << "the text itself on top, in its own colour";
    EXPECT_LT(Blue().longestRun, link->Width() / 2) << "no underline asked for";
}

TEST_F(LinkLabel, SettersRepaintOnlyWhenTheirLookIsShownAndLeaveTheFontAlone) {
    Hover();
    link->SetMouseOverColor(RGB(0, 0x80, 0));
    link->SetMouseOverEffects(almColor);
    Settle();
    EXPECT_GT(LookOf(link->Handle(), RGB(0, 0x80, 0)).count, 20);
    EXPECT_EQ(0x00FF0000u, link->GetFont().TextColor());
    EXPECT_EQ(0u, link->GetFont().Style());

    // Many looks drawn and dropped leave no GDI object behind.
    const std::size_t before = GdiObjects();
    for (int i = 0; i < 50; ++i) {
        link->SetMouseOverEffects(i % 2 ? almUnderline : almColor);
        Settle();
    }
    EXPECT_LE(GdiObjects(), before + 2);
}

TEST(LinkSounds, AListThatGoesClearsTheLabelsReference) {
    TabcMouseLabel label;
    {
        TabcCustomWaveList sounds;
        label.SetSoundList(&sounds);
        EXPECT_EQ(&sounds, label.SoundList());
    }
    EXPECT_EQ(nullptr, label.SoundList());
}

}  // namespace
