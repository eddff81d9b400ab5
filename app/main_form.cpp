#include "main_form.h"

#include "about_form.h"
#include "cryptlib/program_keys.h"
#include "runtime/secret.h"
#include "runtime/text.h"
#include "toolkit/text.h"

#include <optional>
#include <vector>

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

}  // namespace

TMainFrmPrompts& SystemPrompts() {
    static SystemDialogs dialogs;
    return dialogs;
}

const tk::FormLayout& TMainFrm::Layout() {
    static const tk::FormLayout layout{
        L"Tessavel",
        336,
        187,
        tk::BorderStyle::Single,
        tk::biSystemMenu | tk::biMinimize,
        tk::FormPosition::ScreenCenter,
        {{L"Color", L"clBtnFace"}, {L"Font.Name", L"MS Sans Serif"}, {L"Font.Height", L"-11"},
         {L"Font.Color", L"clWindowText"}},
        {
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
    Crypto.SetOnBadPassword([this](TCryptLib& sender) { CryptoBadPassword(sender); });

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

    const HINSTANCE module = GetModuleHandleW(nullptr);
    auto icon = [module](int size) {
        return static_cast<HICON>(LoadImageW(module, L"MAINICON", IMAGE_ICON, size, size, LR_SHARED));
    };
    SetIcon(icon(GetSystemMetrics(SM_CXICON)), icon(GetSystemMetrics(SM_CXSMICON)));
}

void TMainFrm::Browse(tk::FileDialog& dialog, TfsComboEdit& field) {
    if (prompts_.RunFileDialog(dialog, Handle())) field.SetText(dialog.FileName());
}

void TMainFrm::InputEditButtonClick(tk::Component&) { Browse(OpenDialog, *InputEdit); }

void TMainFrm::OutputEditButtonClick(tk::Component&) { Browse(SaveDialog, *OutputEdit); }

void TMainFrm::fsBitBtn2Click(tk::Component&) { Close(); }

void TMainFrm::EnCryptBtnClick(tk::Component&) { Run(Operation::Encrypt); }

void TMainFrm::DeCryptBtnClick(tk::Component&) { Run(Operation::Decrypt); }

void TMainFrm::CryptoBadPassword(TCryptLib&) { prompts_.ErrorDialog(kBadPasswordText); }

void TMainFrm::AboutBtnClick(tk::Component&) {
    if (AboutFrm) AboutFrm->ShowModal();
}

void TMainFrm::Run(Operation operation) {
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
    if (operation == Operation::Encrypt) Crypto.EncryptFile();
    else Crypto.DecryptFile();
}
