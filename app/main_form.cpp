#include "app/main_form.h"

#include <optional>
#include <vector>

#include "app/about_form.h"
#include "cryptlib/program_keys.h"
#include "runtime/exceptions.h"
#include "runtime/secret.h"
#include "runtime/text.h"
#include "toolkit/application.h"
#include "toolkit/text.h"

TMainFrm* MainFrm = nullptr;

namespace {

class SystemDialogs final : public TMainFrmPrompts {
public:
    void ErrorDialog(const std::wstring& text) override { tk::ShowErrorDialog(text); }
    bool RunFileDialog(tk::FileDialog& dialog, HWND owner) override { return dialog.Execute(owner); }
};

// Labels keep their designed size and sit their text on the bottom line,
// level with the text of the field beside them.
const std::vector<tk::Setting> kLabel{{L"AutoSize", L"False"}, {L"Layout", L"tlBottom"}};
// The fields hold no more than the cipher takes.
const std::wstring kPasswordLimit = std::to_wstring(TCryptLib::kMaxPasswordLength);
const std::vector<tk::Setting> kPassword{{L"MaxLength", kPasswordLimit}, {L"PasswordChar", L"*"}};

const wchar_t* PassText(TCryptPass pass) {
    switch (pass) {
    case TCryptPass::Compress: return L"сжатие";
    case TCryptPass::Encipher: return L"шифрование";
    case TCryptPass::Decipher: return L"расшифровка";
    case TCryptPass::Expand: return L"распаковка";
    }
    return L"";
}

// A name as the system completes it against the current folder.
std::wstring FullName(const std::wstring& name) {
    const DWORD n = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (n == 0) return name;
    std::wstring full(n, L'\0');
    const DWORD written = GetFullPathNameW(name.c_str(), n, full.data(), nullptr);
    if (written == 0 || written >= n) return name;
    full.resize(written);
    return full;
}

}  // namespace

TMainFrmPrompts& SystemPrompts() {
    static SystemDialogs dialogs;
    return dialogs;
}

const tk::FormLayout& TMainFrm::Layout() {
    static const tk::FormLayout layout{
        .caption = L"Tessavel",
        .clientWidth = 336,
        .clientHeight = 187,
        .settings = {{L"Color", L"clBtnFace"}, {L"Font.Name", L"MS Sans Serif"}, {L"Font.Height", L"-11"},
                     {L"Font.Color", L"clWindowText"}},
        .controls = {
            {L"TfsLabel", L"PasswordLbl", 8, 8, 65, 17, L"Пороль:", -1, kLabel},
            {L"TfsLabel", L"RePasswodLbl", 8, 32, 97, 17, L"Пороль, еще раз:", -1, kLabel},
            {L"TfsLabel", L"InputLbl", 8, 64, 89, 17, L"Исходный файл:", -1, kLabel},
            {L"TfsLabel", L"OutputLbl", 8, 88, 89, 17, L"Конечный файл:", -1, kLabel},
            {L"TfsEdit", L"PasswordEdit", 112, 8, 217, 21, L"marigold", 0, kPassword},
            {L"TfsComboEdit", L"InputEdit", 112, 64, 217, 21, L"", 1,
             {{L"ReadOnly", L"True"}, {L"OnButtonClick", L"InputEditButtonClick"}}},
            {L"TfsComboEdit", L"OutputEdit", 112, 88, 217, 21, L"", 2,
             {{L"ReadOnly", L"True"}, {L"OnButtonClick", L"OutputEditButtonClick"}}},
            {L"TfsEdit", L"RePasswordEdit", 112, 32, 217, 21, L"marigold", 3, kPassword},
            {L"TfsBitBtn", L"EnCryptBtn", 168, 120, 153, 25, L"Зашифровать", 4, {{L"OnClick", L"EnCryptBtnClick"}}},
            {L"TfsBitBtn", L"DeCryptBtn", 8, 120, 153, 25, L"Расшифровать", 5, {{L"OnClick", L"DeCryptBtnClick"}}},
            {L"TfsBitBtn", L"AboutBtn", 8, 152, 153, 25, L"О программе", 6,
             {{L"Glyph", L"ABOUT_GLYPH"}, {L"NumGlyphs", L"2"}, {L"OnClick", L"AboutBtnClick"}}},
            {L"TfsBitBtn", L"fsBitBtn2", 168, 152, 153, 25, L"Выход", 7,
             {{L"Glyph", L"EXIT_GLYPH"}, {L"NumGlyphs", L"2"}, {L"OnClick", L"fsBitBtn2Click"}}},
        },
    };
    return layout;
}

TMainFrm::TMainFrm(TMainFrmPrompts& prompts)
    : OpenDialog(Own<tk::FileDialog>(tk::FileDialog::Kind::Open)),
      SaveDialog(Own<tk::FileDialog>(tk::FileDialog::Kind::Save)),
      prompts_(prompts) {
    OpenDialog.SetName(L"OpenDialog");
    SaveDialog.SetName(L"SaveDialog");
    Crypto.SetCompression(true);
    Crypto.SetAddKey(tessavel::kAddKey);
    Crypto.SetMultKey(tessavel::kMultKey);
    // Both fire on the worker: the window hears of them on its own thread.
    Crypto.SetOnBadPassword([this](TCryptLib&) { badPassword_ = true; });
    Crypto.SetOnProgress([this](TCryptPass pass, std::uint64_t done, std::uint64_t total) {
        operation_.Report(pass, done, total);
    });

    RegisterHandler(L"InputEditButtonClick", [this](tk::Component& s) { InputEditButtonClick(s); });
    RegisterHandler(L"OutputEditButtonClick", [this](tk::Component& s) { OutputEditButtonClick(s); });
    RegisterHandler(L"fsBitBtn2Click", [this](tk::Component& s) { fsBitBtn2Click(s); });
    RegisterHandler(L"EnCryptBtnClick", [this](tk::Component& s) { EnCryptBtnClick(s); });
    RegisterHandler(L"DeCryptBtnClick", [this](tk::Component& s) { DeCryptBtnClick(s); });
    RegisterHandler(L"AboutBtnClick", [this](tk::Component& s) { AboutBtnClick(s); });
    tk::LoadLayout(*this, Layout());

    PasswordEdit = &Find<TfsEdit>(L"PasswordEdit");
    PasswordLbl = &Find<TfsLabel>(L"PasswordLbl");
    InputEdit = &Find<TfsComboEdit>(L"InputEdit");
    OutputEdit = &Find<TfsComboEdit>(L"OutputEdit");
    RePasswordEdit = &Find<TfsEdit>(L"RePasswordEdit");
    RePasswodLbl = &Find<TfsLabel>(L"RePasswodLbl");
    InputLbl = &Find<TfsLabel>(L"InputLbl");
    OutputLbl = &Find<TfsLabel>(L"OutputLbl");
    EnCryptBtn = &Find<TfsBitBtn>(L"EnCryptBtn");
    DeCryptBtn = &Find<TfsBitBtn>(L"DeCryptBtn");
    AboutBtn = &Find<TfsBitBtn>(L"AboutBtn");
    fsBitBtn2 = &Find<TfsBitBtn>(L"fsBitBtn2");

    SetIconResource(GetModuleHandleW(nullptr), L"MAINICON");
}

void TMainFrm::CreateWnd() {
    Form::CreateWnd();
    DragAcceptFiles(Handle(), TRUE);
}

void TMainFrm::Browse(tk::FileDialog& dialog, TfsComboEdit& field) {
    if (Busy()) return;
    if (prompts_.RunFileDialog(dialog, Handle())) field.SetText(dialog.FileName());
}

void TMainFrm::InputEditButtonClick(tk::Component&) { Browse(OpenDialog, *InputEdit); }

void TMainFrm::OutputEditButtonClick(tk::Component&) { Browse(SaveDialog, *OutputEdit); }

void TMainFrm::fsBitBtn2Click(tk::Component&) { Close(); }

void TMainFrm::EnCryptBtnClick(tk::Component&) { Run(Operation::Encrypt); }

void TMainFrm::DeCryptBtnClick(tk::Component&) { Run(Operation::Decrypt); }

void TMainFrm::CryptoBadPassword(TCryptLib&) { prompts_.ErrorDialog(kBadPasswordText); }

void TMainFrm::AboutBtnClick(tk::Component&) {
    if (AboutFrm && !Busy()) AboutFrm->ShowModal();
}

void TMainFrm::Run(Operation operation) {
    if (Busy()) return;
    // Texts of equal UTF-16 have equal Windows-1251 bytes, and the other
    // way round, so this is the byte comparison the key depends on.
    if (PasswordEdit->Text() != RePasswordEdit->Text()) {
        prompts_.ErrorDialog(operation == Operation::Encrypt ? kEncryptMismatchText : kDecryptMismatchText);
        return;
    }
    const std::wstring typed = PasswordEdit->Text();
    std::optional<std::string> password =
        rt::Utf16ToCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(typed.data()), typed.size()));
    if (!password) {
        prompts_.ErrorDialog(kPasswordCharsetText);
        return;
    }
    Crypto.SetInfile(tk::Narrow(InputEdit->Text()));
    Crypto.SetOutfile(tk::Narrow(OutputEdit->Text()));
    Crypto.SetPassword(*password);
    rt::SecureZero(password->data(), password->size());
    badPassword_ = false;
    notify_ = Handle();
    operation_.Start([this, operation] {
        if (operation == Operation::Encrypt) Crypto.EncryptFile();
        else Crypto.DecryptFile();
    });
    if (operation_.WaitFor(quietTime_)) {
        Finish();
        return;
    }
    ShowBusy(true);
    ShowProgress();
}

void TMainFrm::Finish() {
    const std::exception_ptr error = operation_.Collect();
    ShowBusy(false);
    if (closeWhenDone_) {
        Close();
        return;
    }
    if (error) {
        try {
            std::rethrow_exception(error);
        } catch (const rt::ECancelled&) {
            return;  // the user's own doing: nothing to tell
        }
    }
    if (badPassword_) CryptoBadPassword(Crypto);
}

// The fields and every button but the exit button wait for the worker; the
// focus waits on the window itself, where Escape still reaches it and no
// key presses a button by accident.
void TMainFrm::ShowBusy(bool busy) {
    if (busy == busyShown_) return;
    busyShown_ = busy;
    tk::Control* const waiting[] = {PasswordEdit, RePasswordEdit, InputEdit, OutputEdit,
                                    EnCryptBtn,   DeCryptBtn,     AboutBtn};
    const bool active = GetActiveWindow() == Handle();
    if (busy) {
        tk::Control* focused = FromHandle(GetFocus());
        focusBeforeRun_ = focused && focused != this && Contains(focused) ? focused : nullptr;
    }
    for (tk::Control* c : waiting) c->SetEnabled(!busy);
    // Once the controls are disabled, the window keeps the focus itself.
    if (busy && active) ::SetFocus(Handle());
    if (!busy) {
        progressShown_.clear();
        SetText(Layout().caption);
        tk::Application::Instance().EndProgress();
        if (focusBeforeRun_ && active && GetFocus() == Handle()) focusBeforeRun_->SetFocus();
    }
}

void TMainFrm::ShowProgress() {
    const TBackgroundOperation::Progress progress = operation_.Latest();
    if (!busyShown_ || !progress.known) return;
    const std::wstring status = std::wstring(PassText(progress.pass)) + L" " + std::to_wstring(progress.Percent()) + L"%";
    if (status == progressShown_) return;
    progressShown_ = status;
    SetText(std::wstring(Layout().caption) + L" \u2014 " + status);
    tk::Application::Instance().ShowProgress(status, progress.done, progress.total);
}

bool TMainFrm::CloseQuery() {
    if (!Busy()) return true;
    closeWhenDone_ = true;
    CancelOperation();
    Hide();
    return false;
}

void TMainFrm::DropFiles(HDROP drop) {
    POINT at{};
    DragQueryPoint(drop, &at);
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    std::wstring name(length + 1, L'\0');
    name.resize(DragQueryFileW(drop, 0, name.data(), length + 1));
    DragFinish(drop);
    if (Busy() || name.empty()) return;
    // On the destination field it is the destination; anywhere else, the source.
    HWND target = ChildWindowFromPointEx(Handle(), at, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    (target == OutputEdit->Handle() ? OutputEdit : InputEdit)->SetText(name);
}

void TMainFrm::TakeFiles(const std::vector<std::wstring>& names) {
    TfsComboEdit* const fields[] = {InputEdit, OutputEdit};
    for (std::size_t i = 0; i < names.size() && i < 2; ++i)
        if (!names[i].empty()) fields[i]->SetText(FullName(names[i]));
}

LRESULT TMainFrm::WndProc(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
    case kOperationNews:
        // News of a run that has been collected already is stale.
        if (operation_.Running()) {
            if (operation_.Finished()) Finish();
            else ShowProgress();
        }
        return 0;
    case WM_COMMAND:
        // Escape: there is no cancel button, so only a run listens for it.
        if (LOWORD(w) == IDCANCEL && (l == 0 || !FromHandle(reinterpret_cast<HWND>(l)))) {
            CancelOperation();
            return 0;
        }
        break;
    case WM_ACTIVATE:
        if (busyShown_ && LOWORD(w) != WA_INACTIVE) {
            ::SetFocus(Handle());
            return 0;
        }
        break;
    case WM_DROPFILES:
        DropFiles(reinterpret_cast<HDROP>(w));
        return 0;
    case WM_ENDSESSION:
        // The process ends when this returns: the run is stopped and its
        // work files removed first.
        if (w && Busy()) {
            CancelOperation();
            operation_.Collect();
        }
        return 0;
    default:
        break;
    }
    return Form::WndProc(msg, w, l);
}
