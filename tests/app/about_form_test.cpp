#include <algorithm>

#include "app/about_form.h"
#include "app/main_form.h"
#include "controls/flat_style.h"
#include "tests/controls/browser_stand_in.h"
#include "tests/toolkit/gui_support.h"


namespace {

using guitest::Settle;
using guitest::Titled;
using guitest::WaitUntil;
using guitest::WhenWindowUp;

const wchar_t* const kCaption = L"О программе...";

class AboutFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitFlatControls();
        about_ = &tk::Application::Instance().Own<TAboutFrm>();
    }
    void TearDown() override {
        tk::Application::Instance().Free(*about_);
        tk::Application::Instance().ProcessMessages();
    }
    TAboutFrm& about() { return *about_; }

    // Shows the window modally and runs `whileUp` in it; true when the
    // modal show has ended by the time `whileUp` is done with it.
    void WhileShown(const std::function<void(HWND)>& whileUp) {
        WhenWindowUp(Titled(kCaption), [&](HWND w) {
            WaitUntil([&] { return GetForegroundWindow() == w; }, 2000);
            whileUp(w);
        });
        about().ShowModal();
    }

    TAboutFrm* about_ = nullptr;
};

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

TEST_F(AboutFormTest, LayoutIsTheStoredOne) {
    about().Handle();
    EXPECT_EQ(kCaption, about().Text());
    EXPECT_EQ(383, about().ClientWidth());
    EXPECT_EQ(239, about().ClientHeight());
    const auto style = static_cast<DWORD>(GetWindowLongW(about().Handle(), GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongW(about().Handle(), GWL_EXSTYLE));
    EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME) << "dialog frame, no icon";
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));

    struct Expected {
        tk::Control* control;
        int left, top, width, height;
        const wchar_t* text;
    } const expected[] = {
        {about().VersionLbl, 152, 40, 65, 17, L"Версия 2.00"},
        {about().LicenseMemo, 8, 64, 369, 97, TAboutFrm::kLicenseText},
        {about().CloseBtn, 144, 208, 89, 25, L"Закрыть"},
    };
    for (const Expected& e : expected) {
        EXPECT_EQ(e.left, e.control->Left()) << e.control->Name();
        EXPECT_EQ(e.top, e.control->Top()) << e.control->Name();
        EXPECT_EQ(e.width, e.control->Width()) << e.control->Name();
        EXPECT_EQ(e.height, e.control->Height()) << e.control->Name();
        EXPECT_EQ(e.text, e.control->Text()) << e.control->Name();
    }
    EXPECT_EQ(tk::TextLayout::Center, about().VersionLbl->GetLayout());
    EXPECT_TRUE(about().CloseBtn->Default());
    EXPECT_FALSE(about().CloseBtn->Cancel());
    EXPECT_EQ(2, about().CloseBtn->NumGlyphs());
    EXPECT_TRUE(GetWindowLongW(about().LicenseMemo->Handle(), GWL_STYLE) & WS_VSCROLL);
    EXPECT_FALSE(GetWindowLongW(about().LicenseMemo->Handle(), GWL_STYLE) & ES_READONLY);

    // The title: bold, 19 pixels, sized by its text from its left edge.
    auto& name = *about().NameLbl;
    EXPECT_EQ(L"Tessavel", name.Text());
    EXPECT_EQ(-19, name.GetFont().Height());
    EXPECT_EQ(unsigned(tk::fsBold), name.GetFont().Style());
    EXPECT_EQ(120, name.Left());
    EXPECT_EQ(8, name.Top());
    HDC dc = GetDC(name.Handle());
    SelectObject(dc, name.GetFont().Handle());
    SIZE size;
    GetTextExtentPoint32W(dc, L"Tessavel", 8, &size);
    ReleaseDC(name.Handle(), dc);
    EXPECT_GE(name.Width(), size.cx);
    EXPECT_LE(name.Width(), size.cx + 2) << "the text and its shadow";
}

// The stored lines hold Latin letters where they look like Cyrillic ones;
// they must stay exactly there.
TEST_F(AboutFormTest, LicenseKeepsItsLinesAndItsLatinLettersWhereTheyAre) {
    const std::vector<std::wstring> lines = Lines(about().LicenseMemo->Text());
    ASSERT_EQ(9u, lines.size());
    EXPECT_EQ(L"ВНИМАНИЕ!", lines[0]);
    EXPECT_EQ(L"место на вашем диске.", lines[8]);
    for (int i = 1; i < 8; ++i) EXPECT_EQ(L' ', lines[i].back()) << "line " << i + 1 << " ends with a space";

    const std::vector<std::vector<int>> latin = {
        {},
        {39, 40, 42, 43},
        {15, 17, 18, 23, 28, 30},
        {30},
        {23, 26, 29, 32, 35, 36, 42, 43, 47, 51},
        {1, 3, 4, 5, 12, 15, 17, 18, 19, 27, 31, 32, 34, 35, 38, 42, 46, 50, 51, 53, 54},
        {2, 6, 7, 9, 10, 13, 17, 19, 21, 24, 26, 27, 32, 34, 42},
        {2, 7, 34, 37, 44},
        {},
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::vector<int> found;
        for (std::size_t j = 0; j < lines[i].size(); ++j) {
            const wchar_t c = lines[i][j];
            if ((c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z')) {
                found.push_back(static_cast<int>(j));
            } else if (c > 0x7F) {
                EXPECT_TRUE(c >= 0x0400 && c <= 0x04FF) << "line " << i + 1 << " at " << j;
            }
        }
        EXPECT_EQ(latin[i], found) << "line " << i + 1;
    }
    EXPECT_EQ(L"aбcoлютнo", lines[2].substr(15, 9));
    EXPECT_EQ(L"Bы", lines[5].substr(42, 2));
}

TEST_F(AboutFormTest, MemoWrapsScrollsAndKeepsEditsBetweenShowings) {
    HWND memo = about().LicenseMemo->Handle();
    RECT format;
    SendMessageW(memo, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    HDC dc = GetDC(memo);
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(memo, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (const std::wstring& line : Lines(TAboutFrm::kLicenseText)) {
        SIZE size;
        GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size);
        widest = std::max<int>(widest, size.cx);
    }
    ReleaseDC(memo, dc);
    // Whether the stored lines wrap depends on the font the system has for
    // the memo; a line wider than the memo must.
    const LRESULT shownLines = SendMessageW(memo, EM_GETLINECOUNT, 0, 0);
    if (widest > format.right - format.left) EXPECT_GT(shownLines, 9);
    else EXPECT_EQ(9, shownLines);
    std::wstring wide;
    for (int i = 0; i < 100; ++i) wide += L"слово ";
    about().LicenseMemo->SetText(wide);
    EXPECT_GT(SendMessageW(memo, EM_GETLINECOUNT, 0, 0), 5);
    about().LicenseMemo->SetText(TAboutFrm::kLicenseText);
    SendMessageW(memo, EM_SCROLL, SB_PAGEDOWN, 0);
    EXPECT_GT(SendMessageW(memo, EM_GETFIRSTVISIBLELINE, 0, 0), 0);

    WhileShown([&](HWND w) {
        EXPECT_EQ(about().CloseBtn->Handle(), GetFocus()) << "the focus starts on the button";
        // Enter in the memo is a new line there, not a press of the button.
        about().LicenseMemo->SetFocus();
        SendMessageW(memo, EM_SETSEL, 0, 0);
        PostMessageW(memo, WM_KEYDOWN, VK_RETURN, 0x1C0001);  // translated into its character
        Settle();
        for (wchar_t c : std::wstring(L"правка")) PostMessageW(memo, WM_CHAR, c, 1);
        Settle();
        EXPECT_TRUE(IsWindowVisible(w));
        PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    const std::wstring edited = about().LicenseMemo->Text();
    EXPECT_EQ(std::wstring(L"\r\nправкаВНИМАНИЕ!"), edited.substr(0, 17));

    WhileShown([&](HWND w) {
        EXPECT_EQ(edited, about().LicenseMemo->Text());
        PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
}

// Every way of closing ends the modal show the same way, Escape is not one
// of them, and the window comes back centred wherever it was moved.
TEST_F(AboutFormTest, ClosesByButtonEnterAltF4AndTitleBarButNotEscape) {
    tk::Form& owner = tk::Application::Instance().Own<tk::Form>();
    owner.SetBounds(50, 50, 200, 100);
    owner.SetText(L"owner");
    owner.Show();
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);

    for (int way = 0; way < 4; ++way) {
        bool escapeIgnored = false;
        RECT r{};
        WhileShown([&](HWND w) {
            EXPECT_FALSE(IsWindowEnabled(owner.Handle())) << "the other windows wait";
            GetWindowRect(w, &r);
            PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0x10001);
            Settle();
            escapeIgnored = IsWindowVisible(w) && about().Modal();
            SetWindowPos(w, nullptr, 3, 3, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            about().CloseBtn->SetFocus();
            switch (way) {
            case 0:
                PostMessageW(about().CloseBtn->Handle(), BM_CLICK, 0, 0);
                break;
            case 1:
                PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0x1C0001);
                break;
            case 2:
                PostMessageW(w, WM_SYSKEYDOWN, VK_F4, 0x203E0001);  // with Alt
                break;
            case 3:
                PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
                break;
            }
        });
        EXPECT_TRUE(escapeIgnored) << way;
        EXPECT_FALSE(IsWindowVisible(about().Handle())) << way;
        EXPECT_TRUE(IsWindowEnabled(owner.Handle())) << way;
        EXPECT_NEAR(screenW / 2, (r.left + r.right) / 2, 1) << way;
        EXPECT_NEAR(screenH / 2, (r.top + r.bottom) / 2, 1) << way;
    }
    tk::Application::Instance().Free(owner);
}

TEST_F(AboutFormTest, TheMainWindowsAboutButtonShowsItModally) {
    struct NoPrompts : TMainFrmPrompts {
        void ErrorDialog(const std::wstring&) override { ADD_FAILURE(); }
        bool RunFileDialog(tk::FileDialog&, HWND) override { return false; }
    } prompts;
    TMainFrm& main = tk::Application::Instance().Own<TMainFrm>(prompts);
    main.Show();
    AboutFrm = &about();
    bool shown = false;
    for (int i = 0; i < 2; ++i) {
        WhenWindowUp(Titled(kCaption), [&](HWND w) {
            shown = true;
            EXPECT_FALSE(IsWindowEnabled(main.Handle()));
            PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        main.AboutBtnClick(main);
        EXPECT_TRUE(shown);
        EXPECT_TRUE(IsWindowEnabled(main.Handle()));
    }
    AboutFrm = nullptr;
    tk::Application::Instance().Free(main);
}

// The two links: blue, a hand over them, the URL their own text; the site
// shown maximized and the mail link minimized, both through the browser.
TEST_F(AboutFormTest, LinksOpenTheirOwnTextInTheBrowser) {
    guitest::Browser browser;
    browser.Register(L"TessavelTestPage", L"\"C:\\Browser\\b.exe\" -osint -url \"%1\"");
    about().Handle();
    TabcURLLabel* site = about().SiteLbl;
    TabcURLLabel* mail = about().MailLbl;
    for (TabcURLLabel* link : {site, mail}) {
        EXPECT_EQ(176, link->Top()) << link->Name();
        EXPECT_EQ(link->Text(), link->URL()) << link->Name();
        EXPECT_EQ(tk::Cursor::HandPoint, link->GetCursor()) << link->Name();
        EXPECT_EQ(0x00FF0000u, link->GetFont().TextColor()) << link->Name();
        EXPECT_EQ(L"MS Sans Serif", link->GetFont().Name()) << link->Name();
        EXPECT_EQ(-11, link->GetFont().Height()) << link->Name();
        EXPECT_LE(link->Left() + link->Width(), about().ClientWidth()) << link->Name() << " inside the window";
    }
    EXPECT_EQ(16, site->Left());
    EXPECT_EQ(288 + 84, mail->Left() + mail->Width()) << "the mail link keeps its right edge";
    EXPECT_LT(site->Left() + site->Width(), mail->Left());
    EXPECT_EQ(0u, mail->Text().rfind(L"mailto:", 0));
    EXPECT_NE(std::wstring::npos, site->URL().find(L"example.org"));
    EXPECT_NE(std::wstring::npos, mail->URL().find(L"example.org"));

    site->Click();
    mail->Click();
    ASSERT_EQ(2u, browser.starts.size());
    EXPECT_EQ(L"\"C:\\Browser\\b.exe\" -osint -url  " + site->URL(), browser.starts[0].commandLine);
    EXPECT_EQ(SW_SHOWMAXIMIZED, browser.starts[0].showCode);
    EXPECT_EQ(L"\"C:\\Browser\\b.exe\" -osint -url  " + mail->URL(), browser.starts[1].commandLine);
    EXPECT_EQ(SW_MINIMIZE, browser.starts[1].showCode);
}

}  // namespace
