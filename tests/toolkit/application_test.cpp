#include <gtest/gtest.h>

#include "tests/toolkit/gui_support.h"
#include "toolkit/application.h"
#include "toolkit/buttons.h"

namespace {

using namespace guitest;

TEST(ApplicationTitle, IsTheFileNameCutAtItsFirstDotWithTheRestLowered) {
    EXPECT_EQ(tk::Application::TitleFromPath(L"C:\\Program Files\\CIPHER.EXE"), L"Cipher");
    EXPECT_EQ(tk::Application::TitleFromPath(L"Z:/tmp/tessavel.exe"), L"tessavel");
    EXPECT_EQ(tk::Application::TitleFromPath(L"My.Tool.exe"), L"My");
    EXPECT_EQ(tk::Application::TitleFromPath(L"ШИФР.EXE"), L"Шифр");
    EXPECT_EQ(tk::Application::TitleFromPath(L"X"), L"X");
}

TEST(ExceptionText, GetsAFullStopAfterALetterOrDigitOnly) {
    EXPECT_EQ(tk::Application::ExceptionText(L"File not found"), L"File not found.");
    EXPECT_EQ(tk::Application::ExceptionText(L"I/O error 32"), L"I/O error 32.");
    EXPECT_EQ(tk::Application::ExceptionText(L"Невозможно"), L"Невозможно.");
    for (const wchar_t* kept : {L"Wrong!", L"(note)", L"a,", L"x-", L"done.", L""})
        EXPECT_EQ(tk::Application::ExceptionText(kept), kept);
}

using Dispatch = WindowTest;

TEST_F(Dispatch, AnExceptionFromAHandlerGoesToTheApplicationAndTheLoopGoesOn) {
    auto& button = Add<tk::BitBtn>(20, 20, 100, 25, 0);
    int clicks = 0;
    button.OnClick = [&](tk::Component&) {
        if (++clicks == 1) throw tk::Error("TCryptLib: LZH init error");
    };
    PostMessageW(button.Handle(), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !errors.empty(); }));
    EXPECT_EQ(errors, std::vector<std::string>{"TCryptLib: LZH init error"});
    errors.clear();
    PostMessageW(button.Handle(), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return clicks == 2; }));
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(IsWindowVisible(form().Handle()));
}

struct BoxSeen {
    std::wstring caption, text;
    bool ownerEnabled = true;
    HWND owner = nullptr;
};
BoxSeen g_box;

// Closes the message box the application shows, noting what it said.
void CALLBACK CloseBox(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM out) -> BOOL {
            wchar_t cls[32];
            GetClassNameW(h, cls, 32);
            if (std::wstring(cls) == L"#32770" && IsWindowVisible(h)) *reinterpret_cast<HWND*>(out) = h;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&box));
    if (!box) return;
    KillTimer(nullptr, id);
    wchar_t buf[256];
    GetWindowTextW(box, buf, 256);
    g_box.caption = buf;
    EnumChildWindows(
        box,
        [](HWND h, LPARAM) -> BOOL {
            wchar_t cls[32], text[256];
            GetClassNameW(h, cls, 32);
            GetWindowTextW(h, text, 256);
            if (_wcsicmp(cls, L"Static") == 0 && text[0]) g_box.text = text;
            return TRUE;
        },
        0);
    g_box.ownerEnabled = IsWindowEnabled(g_box.owner) != FALSE;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(Dispatch, TheDefaultHandlerShowsTheMessageWithAFullStopUnderTheTitle) {
    tk::Application& app = tk::Application::Instance();
    app.OnException = nullptr;
    app.SetTitle(L"Cipher");
    auto& button = Add<tk::BitBtn>(20, 20, 100, 25, 0);
    button.OnClick = [](tk::Component&) { throw tk::Error("File not found"); };
    g_box = {};
    g_box.owner = form().Handle();
    SetTimer(nullptr, 0, 10, CloseBox);
    PostMessageW(button.Handle(), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !g_box.caption.empty(); }));
    EXPECT_EQ(g_box.caption, L"Cipher");
    EXPECT_EQ(g_box.text, L"File not found.");
    EXPECT_FALSE(g_box.ownerEnabled);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(form().Handle()) != FALSE; }));
}

// The system's box disables its owner and enables it again before it goes,
// so that the activation returns there; an owner it is handed disabled it
// leaves alone (Wine's box enables it all the same, so a stand-in checks
// what the box is handed).
TEST_F(Dispatch, TheBoxGetsItsOwnerEnabledWhileTheProgramsOtherWindowsWait) {
    tk::Application& app = tk::Application::Instance();
    app.OnException = nullptr;
    tk::Form& other = app.Own<tk::Form>();
    other.SetBounds(600, 100, 200, 100);
    other.Show();
    form().Show();
    ASSERT_TRUE(WaitUntil([&] { return GetActiveWindow() == form().Handle(); }));
    auto& button = Add<tk::BitBtn>(20, 20, 100, 25, 0);
    button.OnClick = [](tk::Component&) { throw tk::Error("File not found"); };
    struct {
        HWND owner = nullptr;
        bool ownerEnabled = false, otherEnabled = true;
    } seen;
    app.SetMessageBox([&](HWND owner, const std::wstring&, const std::wstring&, UINT) {
        seen = {owner, IsWindowEnabled(owner) != FALSE, IsWindowEnabled(other.Handle()) != FALSE};
        return IDOK;
    });
    PostMessageW(button.Handle(), BM_CLICK, 0, 0);
    const bool shown = WaitUntil([&] { return seen.owner != nullptr; });
    app.SetMessageBox(nullptr);
    ASSERT_TRUE(shown);
    EXPECT_EQ(seen.owner, form().Handle());
    EXPECT_TRUE(seen.ownerEnabled);
    EXPECT_FALSE(seen.otherEnabled);
    EXPECT_TRUE(IsWindowEnabled(other.Handle()));
    EXPECT_EQ(GetActiveWindow(), form().Handle());
    app.Free(other);
}

class Modal : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        dialog = &tk::Application::Instance().Own<tk::Form>();
        dialog->SetClientSize(200, 100);
        dialog->SetPosition(tk::FormPosition::ScreenCenter);
        ok = &dialog->Own<tk::BitBtn>();
        ok->SetBounds(10, 10, 80, 25);
        ok->SetText(L"OK");
        ok->SetModalResult(tk::mrOk);
        ok->SetParent(dialog);
    }
    void TearDown() override {
        tk::Application::Instance().Free(*dialog);
        WindowTest::TearDown();
    }
    tk::Form* dialog = nullptr;
    tk::BitBtn* ok = nullptr;
};

TEST_F(Modal, DisablesTheOtherWindowsUntilAButtonGivesTheResult) {
    bool ownerDisabled = false, centred = false;
    dialog->OnShow = [&](tk::Component&) {
        ownerDisabled = !IsWindowEnabled(form().Handle());
        const int cx = dialog->Left() + dialog->Width() / 2, cy = dialog->Top() + dialog->Height() / 2;
        centred = std::abs(cx - GetSystemMetrics(SM_CXSCREEN) / 2) <= 1 &&
                  std::abs(cy - GetSystemMetrics(SM_CYSCREEN) / 2) <= 1;
        PostMessageW(ok->Handle(), BM_CLICK, 0, 0);
    };
    EXPECT_EQ(dialog->ShowModal(), tk::mrOk);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(centred);
    EXPECT_TRUE(IsWindowEnabled(form().Handle()));
    EXPECT_FALSE(IsWindowVisible(dialog->Handle()));
    EXPECT_FALSE(dialog->Modal());
}

TEST_F(Modal, ClosingTheWindowEndsWithCancelAndItCanBeShownAgain) {
    dialog->OnShow = [&](tk::Component&) { PostMessageW(dialog->Handle(), WM_CLOSE, 0, 0); };
    EXPECT_EQ(dialog->ShowModal(), tk::mrCancel);
    dialog->OnShow = [&](tk::Component&) { PostMessageW(ok->Handle(), BM_CLICK, 0, 0); };
    EXPECT_EQ(dialog->ShowModal(), tk::mrOk);
}

TEST_F(Modal, AVisibleWindowCannotBeMadeModal) {
    dialog->Show();
    EXPECT_THROW(dialog->ShowModal(), tk::Error);
}

}  // namespace
