#include <filesystem>

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include "tests/toolkit/gui_support.h"
#include "toolkit/buttons.h"
#include "toolkit/dialogs.h"

namespace {

using guitest::Titled;
using guitest::WaitUntil;
using guitest::WhenWindowUp;

class DialogsTest : public guitest::WindowTest {};

RECT WindowRect(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return r;
}

TEST_F(DialogsTest, ErrorDialogLaysOutIconTextAndButton) {
    std::wstring text;
    for (int i = 0; i < 60; ++i) text += L"слово ";
    tk::MessageDialog dialog(text + L"!", L"Error");
    dialog.Handle();
    const int halfScreen = GetSystemMetrics(SM_CXSCREEN) / 2;

    auto& label = dialog.TextLabel();
    auto& icon = dialog.IconImage();
    auto& ok = dialog.OkButton();
    EXPECT_EQ(L"Error", dialog.Text());
    EXPECT_LE(label.Width(), halfScreen);
    EXPECT_GT(label.Height(), 2 * 13) << "long texts wrap";
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), icon.Width());
    EXPECT_LT(icon.Left() + icon.Width(), label.Left()) << "icon at the left of the text";
    EXPECT_GT(ok.Top(), label.Top() + label.Height()) << "button below the text";
    EXPECT_NEAR(dialog.ClientWidth() / 2, ok.Left() + ok.Width() / 2, 1) << "button centred";
    EXPECT_EQ(L"OK", ok.Text());
    auto& button = static_cast<tk::BitBtn&>(ok);
    EXPECT_TRUE(button.Default());
    EXPECT_TRUE(button.Cancel());

    // A short text gives a small dialog, still wide enough for the button.
    tk::MessageDialog small(L"Нет.", L"Error");
    small.Handle();
    EXPECT_LT(small.ClientWidth(), dialog.ClientWidth());
    EXPECT_GE(small.ClientWidth(), small.OkButton().Width());
}

// The error dialog is modal, centred, keeps the program's other windows
// disabled while it is up, and Enter, Escape and the button all close it.
TEST_F(DialogsTest, ErrorDialogIsModalAndClosesEveryWay) {
    const HWND owner = form().Handle();
    for (int way = 0; way < 3; ++way) {
        bool seen = false;
        WhenWindowUp(Titled(L"Error"), [&](HWND dialog) {
            seen = true;
            EXPECT_FALSE(IsWindowEnabled(owner));
            const RECT r = WindowRect(dialog);
            EXPECT_NEAR(GetSystemMetrics(SM_CXSCREEN) / 2, (r.left + r.right) / 2, 1);
            EXPECT_NEAR(GetSystemMetrics(SM_CYSCREEN) / 2, (r.top + r.bottom) / 2, 1);
            HWND focus = GetFocus();
            if (way == 0) PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 0);
            if (way == 1) PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0);
            if (way == 2) {
                HWND button = FindWindowExW(dialog, nullptr, nullptr, L"OK");
                PostMessageW(button, BM_CLICK, 0, 0);
            }
        });
        tk::ShowErrorDialog(L"Не верный пороль! Расшифровка невазможна!");
        EXPECT_TRUE(seen) << way;
        EXPECT_TRUE(IsWindowEnabled(owner)) << way;
        EXPECT_FALSE(guitest::FindThreadWindow(Titled(L"Error"))) << way;
    }
}

// The system dialog: the top-level dialog window of this thread.
std::function<bool(HWND)> FileDialogWindow() {
    return [](HWND w) { return guitest::ClassOf(w) == L"#32770"; };
}

std::wstring FileNameField(HWND dialog) {
    wchar_t text[1024] = {};
    SendMessageW(dialog, CDM_GETSPEC, 1024, reinterpret_cast<LPARAM>(text));
    return text;
}

TEST_F(DialogsTest, FileDialogConfirmsCancelsRemembersAndSitsAThirdDown) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / L"tessavel dialogs";
    std::filesystem::create_directories(folder);
    // The dialog moves the current folder to where the user went.
    const std::filesystem::path current = std::filesystem::current_path();
    const std::wstring chosen = (folder / L"Новый файл.bin").wstring();

    for (auto kind : {tk::FileDialog::Kind::Open, tk::FileDialog::Kind::Save}) {
        tk::FileDialog dialog(kind);
        EXPECT_EQ(L"", dialog.FileName());

        // Confirm a name that does not exist yet: nothing is asked.
        WhenWindowUp(FileDialogWindow(), [&](HWND d) {
            SendMessageW(d, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(chosen.c_str()));
            PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(d, IDOK)));
        });
        ASSERT_TRUE(dialog.Execute(form().Handle()));
        EXPECT_EQ(chosen, dialog.FileName());

        // The next run starts with that name; cancelling keeps it.
        std::wstring shown;
        RECT placed{};
        WhenWindowUp(FileDialogWindow(), [&](HWND d) {
            WaitUntil([&] { return !FileNameField(d).empty(); }, 2000);
            shown = FileNameField(d);
            placed = WindowRect(d);
            PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(d, IDCANCEL)));
        });
        EXPECT_FALSE(dialog.Execute(form().Handle()));
        EXPECT_EQ(chosen, dialog.FileName());
        EXPECT_EQ(L"Новый файл.bin", shown);
        const POINT expected = tk::FileDialog::Placement(form().Handle(),
                                                         {placed.right - placed.left, placed.bottom - placed.top});
        EXPECT_EQ(expected.x, placed.left);
        EXPECT_EQ(expected.y, placed.top);
        EXPECT_TRUE(IsWindowEnabled(form().Handle()));
    }

    // A third of the way down, centred across.
    const POINT p = tk::FileDialog::Placement(form().Handle(), {400, 300});
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - 400) / 2, p.x);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - 300) / 3, p.y);
    std::filesystem::current_path(current);
    std::filesystem::remove_all(folder);
}

}  // namespace
