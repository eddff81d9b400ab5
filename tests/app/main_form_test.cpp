#include <deque>
#include <optional>

#include <windows.h>
#include <shlobj.h>

#include "app/about_form.h"
#include "app/main_form.h"
#include "controls/flat_style.h"
#include "cryptlib/program_keys.h"
#include "tests/app/app_support.h"
#include "tests/toolkit/gui_support.h"
#include "toolkit/text.h"

namespace {

using apptest::ReadAll;
using apptest::Scratch;
using apptest::WriteAll;
using guitest::WaitUntil;

// Stands in for the error dialog and the file dialogs.
class FakePrompts : public TMainFrmPrompts {
public:
    std::vector<std::wstring> errors;
    // One answer per dialog run: the name the user confirms, or a cancel.
    std::deque<std::optional<std::wstring>> answers;
    std::vector<std::pair<tk::FileDialog::Kind, std::wstring>> runs;  // and the name each started with

    void ErrorDialog(const std::wstring& text) override { errors.push_back(text); }
    bool RunFileDialog(tk::FileDialog& dialog, HWND) override {
        runs.emplace_back(dialog.GetKind(), dialog.FileName());
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected file dialog";
            return false;
        }
        std::optional<std::wstring> answer = answers.front();
        answers.pop_front();
        if (!answer) return false;
        dialog.SetFileName(*answer);
        return true;
    }
};

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitFlatControls();
        tk::Application& app = tk::Application::Instance();
        app.OnException = [this](std::exception_ptr e) {
            try {
                std::rethrow_exception(e);
            } catch (const std::exception& x) {
                exceptions.push_back(tk::Application::ExceptionText(tk::WidenMessage(x.what())));
            }
        };
        form_ = &app.Own<TMainFrm>(prompts);
        // Every run takes the worker's road, however small its files.
        form_->SetQuietTime(std::chrono::milliseconds(0));
        form_->Show();
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == form_->Handle(); }));
    }
    void TearDown() override {
        tk::Application::Instance().Free(*form_);
        tk::Application::Instance().ProcessMessages();
        tk::Application::Instance().OnException = nullptr;
    }
    TMainFrm& form() { return *form_; }

    // A press as the window system delivers it, so that an exception goes
    // where a user's press would send it; `wait`: until its run has ended.
    void Press(TfsBitBtn& button, bool wait = true) {
        SendMessageW(form().Handle(), WM_COMMAND, MAKEWPARAM(button.Id(), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button.Handle()));
        if (wait) {
            ASSERT_TRUE(WaitUntil([&] { return !form().Busy(); }, 120000));
        }
    }
    // A press that starts a run long enough to be seen: true once the
    // caption shows its progress.
    bool StartLongRun(TfsBitBtn& button) {
        Press(button, false);
        return WaitUntil([&] { return form().Text().find(L'%') != std::wstring::npos; }, 60000);
    }
    void Passwords(const std::wstring& first, const std::wstring& second) {
        form().PasswordEdit->SetText(first);
        form().RePasswordEdit->SetText(second);
    }
    // Chooses both files through their browse buttons.
    void Files(const std::filesystem::path& source, const std::filesystem::path& dest) {
        prompts.answers = {source.wstring(), dest.wstring()};
        form().InputEdit->DoButtonClick();
        form().OutputEdit->DoButtonClick();
    }
    bool Quiet() const { return prompts.errors.empty() && exceptions.empty(); }
    std::size_t FilesInScratch() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(scratch.Path()), {}));
    }
    // The window as it is between runs: every control usable, the caption
    // its own.
    void ExpectIdle() {
        EXPECT_FALSE(form().Busy());
        EXPECT_EQ(L"Tessavel", form().Text());
        for (const wchar_t* name : {L"PasswordEdit", L"RePasswordEdit", L"InputEdit", L"OutputEdit", L"EnCryptBtn",
                                    L"DeCryptBtn", L"AboutBtn", L"fsBitBtn2"})
            EXPECT_TRUE(IsWindowEnabled(form().Find<tk::Control>(name).Handle())) << name;
    }

    FakePrompts prompts;
    std::vector<std::wstring> exceptions;
    Scratch scratch;
    TMainFrm* form_ = nullptr;
};

struct Expected {
    const wchar_t* name;
    int left, top, width, height;
    const wchar_t* text;
};

TEST_F(MainFormTest, LayoutIsTheStoredOne) {
    EXPECT_EQ(L"Tessavel", form().Text());
    EXPECT_EQ(336, form().ClientWidth());
    EXPECT_EQ(187, form().ClientHeight());
    const auto style = static_cast<DWORD>(GetWindowLongW(form().Handle(), GWL_STYLE));
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(SendMessageW(form().Handle(), WM_GETICON, ICON_BIG, 0));
    EXPECT_TRUE(SendMessageW(form().Handle(), WM_GETICON, ICON_SMALL, 0));
    RECT r;
    GetWindowRect(form().Handle(), &r);
    EXPECT_NEAR(GetSystemMetrics(SM_CXSCREEN) / 2, (r.left + r.right) / 2, 1);

    const Expected controls[] = {
        {L"PasswordLbl", 8, 8, 65, 17, L"Пороль:"},
        {L"RePasswodLbl", 8, 32, 97, 17, L"Пороль, еще раз:"},
        {L"InputLbl", 8, 64, 89, 17, L"Исходный файл:"},
        {L"OutputLbl", 8, 88, 89, 17, L"Конечный файл:"},
        {L"PasswordEdit", 112, 8, 217, 21, L"marigold"},
        {L"InputEdit", 112, 64, 217, 21, L""},
        {L"OutputEdit", 112, 88, 217, 21, L""},
        {L"RePasswordEdit", 112, 32, 217, 21, L"marigold"},
        {L"EnCryptBtn", 168, 120, 153, 25, L"Зашифровать"},
        {L"DeCryptBtn", 8, 120, 153, 25, L"Расшифровать"},
        {L"AboutBtn", 8, 152, 153, 25, L"О программе"},
        {L"fsBitBtn2", 168, 152, 153, 25, L"Выход"},
    };
    for (const Expected& e : controls) {
        auto& c = form().Find<tk::Control>(e.name);
        RECT b;
        GetWindowRect(c.Handle(), &b);
        MapWindowPoints(nullptr, form().Handle(), reinterpret_cast<POINT*>(&b), 2);
        EXPECT_EQ(e.left, b.left) << c.Name();
        EXPECT_EQ(e.top, b.top) << c.Name();
        EXPECT_EQ(e.width, b.right - b.left) << c.Name();
        EXPECT_EQ(e.height, b.bottom - b.top) << c.Name();
        EXPECT_EQ(e.text, c.Text()) << c.Name();
        EXPECT_EQ(L"MS Sans Serif", c.GetFont().Name()) << c.Name();
        EXPECT_EQ(-11, c.GetFont().Height()) << c.Name();
    }
    for (TfsLabel* label : {form().PasswordLbl, form().RePasswodLbl, form().InputLbl, form().OutputLbl}) {
        EXPECT_FALSE(label->AutoSize());
        EXPECT_EQ(tk::TextLayout::Bottom, label->GetLayout());
    }
    for (TfsEdit* edit : {form().PasswordEdit, form().RePasswordEdit}) {
        EXPECT_EQ(12, SendMessageW(edit->Handle(), EM_GETLIMITTEXT, 0, 0));
        EXPECT_EQ(L'*', SendMessageW(edit->Handle(), EM_GETPASSWORDCHAR, 0, 0));
    }
    for (TfsComboEdit* edit : {form().InputEdit, form().OutputEdit})
        EXPECT_TRUE(GetWindowLongW(edit->Handle(), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(2, form().AboutBtn->NumGlyphs());
    EXPECT_EQ(2, form().fsBitBtn2->NumGlyphs());
    EXPECT_EQ(tessavel::kAddKey, form().Crypto.AddKey());
    EXPECT_EQ(tessavel::kMultKey, form().Crypto.MultKey());
    EXPECT_TRUE(form().Crypto.Compression());
}

TEST_F(MainFormTest, FocusStartsInThePasswordAndTabsInTheStoredOrder) {
    EXPECT_EQ(form().PasswordEdit->Handle(), GetFocus());
    const HWND order[] = {form().InputEdit->Handle(),  form().OutputEdit->Handle(), form().RePasswordEdit->Handle(),
                          form().EnCryptBtn->Handle(), form().DeCryptBtn->Handle(), form().AboutBtn->Handle(),
                          form().fsBitBtn2->Handle(),  form().PasswordEdit->Handle()};
    HWND at = form().PasswordEdit->Handle();
    for (HWND next : order) {
        at = GetNextDlgTabItem(form().Handle(), at, FALSE);
        EXPECT_EQ(next, at) << guitest::WindowText(next);
    }
    // No default button: Enter in a field presses nothing.
    EXPECT_EQ(0, LOWORD(SendMessageW(form().Handle(), DM_GETDEFID, 0, 0)));
}

TEST_F(MainFormTest, PasswordFieldsTakeTwelveCharactersAtMost) {
    HWND edit = form().PasswordEdit->Handle();
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    for (wchar_t c : std::wstring(L"пароль123456X")) SendMessageW(edit, WM_CHAR, c, 1);
    EXPECT_EQ(L"пароль123456", form().PasswordEdit->Text());
}

TEST_F(MainFormTest, FileDialogsFillTheFieldsOnConfirmOnly) {
    const std::wstring first = (scratch / L"первый.txt").wstring(), second = (scratch / L"second.bin").wstring();
    prompts.answers = {first, std::nullopt, second};
    form().InputEdit->DoButtonClick();
    EXPECT_EQ(first, form().InputEdit->Text());
    form().InputEdit->DoButtonClick();  // cancelled
    EXPECT_EQ(first, form().InputEdit->Text());
    form().OutputEdit->DoButtonClick();
    EXPECT_EQ(second, form().OutputEdit->Text());

    ASSERT_EQ(3u, prompts.runs.size());
    EXPECT_EQ(tk::FileDialog::Kind::Open, prompts.runs[0].first);
    EXPECT_EQ(L"", prompts.runs[0].second);
    EXPECT_EQ(first, prompts.runs[1].second) << "a dialog starts with its last name";
    EXPECT_EQ(tk::FileDialog::Kind::Save, prompts.runs[2].first);
    EXPECT_EQ(L"", prompts.runs[2].second) << "each dialog remembers its own";
    EXPECT_TRUE(Quiet());
}

// Round trips through the window, checked against the command-line
// program: the same key from the same password on every copy.
TEST_F(MainFormTest, FilesGoBothWaysBetweenTheWindowAndTheCommandLine) {
    const auto cli = apptest::BuiltProgram(L"cli/tessavel-cli.exe");
    const std::string original = apptest::SampleBytes(100000);
    WriteAll(scratch / L"plain.txt", original);

    // The default texts: "marigold" in both fields.
    Files(scratch / L"plain.txt", scratch / L"from window.tsv");
    Press(*form().EnCryptBtn);
    EXPECT_TRUE(Quiet()) << "success shows nothing";
    WriteAll(scratch / L"pw1", "marigold");
    EXPECT_EQ(0u, apptest::RunProgram(cli, {L"decrypt", L"--quiet", L"--password-file", (scratch / L"pw1").wstring(),
                                            (scratch / L"from window.tsv").wstring(), (scratch / L"back1").wstring()}));
    EXPECT_TRUE(original == ReadAll(scratch / L"back1"));

    // A Cyrillic password of twelve characters, made by the command line.
    WriteAll(scratch / L"pw2", "Пароль,ещё12");
    EXPECT_EQ(0u, apptest::RunProgram(cli, {L"encrypt", L"--quiet", L"--password-file", (scratch / L"pw2").wstring(),
                                            (scratch / L"plain.txt").wstring(), (scratch / L"from cli.tsv").wstring()}));
    Passwords(L"Пароль,ещё12", L"Пароль,ещё12");
    Files(scratch / L"from cli.tsv", scratch / L"back2");
    Press(*form().DeCryptBtn);
    EXPECT_TRUE(Quiet());
    EXPECT_TRUE(original == ReadAll(scratch / L"back2"));
    EXPECT_EQ(L"Пароль,ещё12", form().PasswordEdit->Text()) << "fields keep their contents";
    EXPECT_EQ((scratch / L"back2").wstring(), form().OutputEdit->Text());
}

TEST_F(MainFormTest, EmptyPasswordsAgreeAndTheSameFileIsDoneInPlace) {
    const std::string original = apptest::SampleBytes(40000);
    const auto file = scratch / L"in place.doc";
    WriteAll(file, original);
    Passwords(L"", L"");
    Files(file, file);
    Press(*form().EnCryptBtn);
    EXPECT_TRUE(Quiet());
    EXPECT_TRUE(original != ReadAll(file));

    TCryptLib check;
    check.SetAddKey(tessavel::kAddKey);
    check.SetMultKey(tessavel::kMultKey);
    check.SetInfile(tk::Narrow(file.wstring()));
    check.SetOutfile(tk::Narrow((scratch / L"check").wstring()));
    check.SetPassword("");
    check.DecryptFile();
    EXPECT_TRUE(original == ReadAll(scratch / L"check"));

    Press(*form().DeCryptBtn);
    EXPECT_TRUE(Quiet());
    EXPECT_TRUE(original == ReadAll(file));
    EXPECT_EQ(2, std::distance(std::filesystem::directory_iterator(scratch.Path()), {}))
        << "the file and the check only, no work file";
}

// Refusals before the cipher: nothing is created, and the text names the
// pressed button.
TEST_F(MainFormTest, PasswordsThatDifferOrDoNotFitTheCodePageStopBeforeTheCipher) {
    WriteAll(scratch / L"plain", "data");
    Files(scratch / L"plain", scratch / L"out");
    Passwords(L"Marigold", L"marigold");
    Press(*form().EnCryptBtn);
    Press(*form().DeCryptBtn);
    Passwords(L"密码", L"密码");
    Press(*form().EnCryptBtn);
    ASSERT_EQ(3u, prompts.errors.size());
    EXPECT_EQ(TMainFrm::kEncryptMismatchText, prompts.errors[0]);
    EXPECT_EQ(TMainFrm::kDecryptMismatchText, prompts.errors[1]);
    EXPECT_EQ(TMainFrm::kPasswordCharsetText, prompts.errors[2]);
    EXPECT_TRUE(exceptions.empty());
    EXPECT_FALSE(std::filesystem::exists(scratch / L"out"));
    EXPECT_EQ(L"密码", form().PasswordEdit->Text());
}

TEST_F(MainFormTest, WrongPasswordShowsOneDialogAndLeavesNoDestination) {
    WriteAll(scratch / L"plain", apptest::SampleBytes(5000));
    Files(scratch / L"plain", scratch / L"sealed");
    Press(*form().EnCryptBtn);
    const std::string sealed = ReadAll(scratch / L"sealed");

    Passwords(L"marigolds", L"marigolds");
    Files(scratch / L"sealed", scratch / L"opened");
    Press(*form().DeCryptBtn);
    ASSERT_EQ(1u, prompts.errors.size());
    EXPECT_EQ(TMainFrm::kBadPasswordText, prompts.errors[0]);
    EXPECT_TRUE(exceptions.empty());
    EXPECT_FALSE(std::filesystem::exists(scratch / L"opened"));
    EXPECT_EQ(sealed, ReadAll(scratch / L"sealed"));
}

// Other failures are exceptions shown in the box; the window stays as it was.
TEST_F(MainFormTest, FailuresReachTheExceptionBoxAndChangeNothing) {
    Press(*form().EnCryptBtn);  // both file fields empty
    ASSERT_EQ(1u, exceptions.size());
    EXPECT_EQ(L"TCryptLib.Infile is empty.", exceptions[0]);
    EXPECT_TRUE(std::filesystem::is_empty(scratch.Path()));

    Files(scratch / L"missing", scratch / L"out");
    Press(*form().DeCryptBtn);
    ASSERT_EQ(2u, exceptions.size());
    EXPECT_EQ(L"File not found.", exceptions[1]);
    EXPECT_TRUE(std::filesystem::is_empty(scratch.Path()));
    EXPECT_EQ((scratch / L"missing").wstring(), form().InputEdit->Text());
    EXPECT_EQ(L"marigold", form().RePasswordEdit->Text());
    EXPECT_TRUE(prompts.errors.empty());
    EXPECT_TRUE(IsWindowEnabled(form().Handle()));
}

// Long work runs on a worker: the window shows its progress, keeps every
// field but waits with them, takes no second press, and Escape stops the run
// with nothing created and nothing shown.
TEST_F(MainFormTest, LongWorkShowsProgressTakesNoSecondPressAndStopsOnEscape) {
    WriteAll(scratch / L"big", apptest::SampleBytes(48u << 20));
    Files(scratch / L"big", scratch / L"sealed");
    const HWND focusBefore = GetFocus();
    ASSERT_TRUE(StartLongRun(*form().EnCryptBtn));
    EXPECT_TRUE(form().Busy());
    EXPECT_NE(std::wstring::npos, form().Text().rfind(L"Tessavel \u2014 ", 0)) << form().Text();
    for (tk::Control* waiting : std::initializer_list<tk::Control*>{form().PasswordEdit, form().InputEdit,
                                                                     form().EnCryptBtn, form().DeCryptBtn,
                                                                     form().AboutBtn})
        EXPECT_FALSE(IsWindowEnabled(waiting->Handle())) << waiting->Name();
    EXPECT_TRUE(IsWindowEnabled(form().fsBitBtn2->Handle()));

    // Neither a press that slips through nor a file dialog starts anything.
    Files(scratch / L"other", scratch / L"other.tsv");
    Press(*form().DeCryptBtn, false);
    EXPECT_TRUE(form().Busy());
    EXPECT_TRUE(prompts.runs.size() == 2 && prompts.answers.size() == 2) << "no dialog while the run goes on";
    prompts.answers.clear();

    // Escape as the keyboard delivers it, to the window that has the focus.
    ASSERT_EQ(form().Handle(), GetFocus());
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !form().Busy(); }, 60000));
    EXPECT_TRUE(Quiet()) << "a cancel is no error";
    EXPECT_EQ(1u, FilesInScratch()) << "no destination and no work file";
    ExpectIdle();
    EXPECT_EQ((scratch / L"big").wstring(), form().InputEdit->Text());
    EXPECT_EQ(focusBefore, GetFocus()) << "the focus goes back where it was";
}

// Closing the window during a run cancels it; the window goes once the
// worker has put everything back.
TEST_F(MainFormTest, ClosingDuringARunCancelsItFirst) {
    WriteAll(scratch / L"big", apptest::SampleBytes(48u << 20));
    Files(scratch / L"big", scratch / L"big");  // in place
    const std::string original = ReadAll(scratch / L"big");
    ASSERT_TRUE(StartLongRun(*form().EnCryptBtn));
    PostMessageW(form().fsBitBtn2->Handle(), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !form().Busy(); }, 60000));
    EXPECT_FALSE(IsWindowVisible(form().Handle()));
    EXPECT_TRUE(Quiet());
    EXPECT_EQ(1u, FilesInScratch());
    EXPECT_TRUE(original == ReadAll(scratch / L"big")) << "the source is as it was";
}

// A file dropped on a file field fills that field; dropped anywhere else,
// the source field.
TEST_F(MainFormTest, DroppedFilesFillTheFieldUnderThemOrTheSource) {
    const auto drop = [&](POINT at, const std::vector<std::wstring>& names) {
        std::wstring list;
        for (const auto& n : names) list += n + L'\0';
        list += L'\0';
        HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
        auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
        files->pFiles = sizeof(DROPFILES);
        files->pt = at;
        files->fWide = TRUE;
        std::copy(list.begin(), list.end(), reinterpret_cast<wchar_t*>(files + 1));
        GlobalUnlock(memory);
        SendMessageW(form().Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    };
    const auto centre = [&](tk::Control& c) {
        RECT r;
        GetWindowRect(c.Handle(), &r);
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ScreenToClient(form().Handle(), &p);
        return p;
    };
    const std::wstring a = (scratch / L"первый.txt").wstring(), b = (scratch / L"b.bin").wstring();
    drop(centre(*form().OutputEdit), {a, b});
    EXPECT_EQ(a, form().OutputEdit->Text()) << "the first of several";
    EXPECT_EQ(L"", form().InputEdit->Text());
    drop(centre(*form().InputEdit), {b});
    EXPECT_EQ(b, form().InputEdit->Text());
    drop(centre(*form().AboutBtn), {a});
    EXPECT_EQ(a, form().InputEdit->Text());
    drop({2, 2}, {b});
    EXPECT_EQ(b, form().InputEdit->Text());
    EXPECT_EQ(a, form().OutputEdit->Text());
    EXPECT_TRUE(GetWindowLongW(form().InputEdit->Handle(), GWL_STYLE) & ES_READONLY) << "still closed to typing";
}

}  // namespace
