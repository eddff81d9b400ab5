// The main window: the password typed twice, the source and destination
// chosen through file dialogs, and the buttons that run the cipher.
#pragma once

#include "controls/combo_edit.h"
#include "controls/flat_button.h"
#include "controls/flat_edit.h"
#include "controls/flat_label.h"
#include "cipher.h"
#include "toolkit/dialogs.h"
#include "toolkit/form.h"

#include <string>

// What the window asks of its user besides its own controls: the error
// dialog and the file dialogs.  Tests stand in for it.
class TMainFrmPrompts {
public:
    virtual ~TMainFrmPrompts() = default;
    virtual void ErrorDialog(const std::wstring& text) = 0;
    // Runs `dialog` over `owner`; true when the user confirmed a name.
    virtual bool RunFileDialog(tk::FileDialog& dialog, HWND owner) = 0;
};

// The system's own dialogs.
TMainFrmPrompts& SystemPrompts();

class TMainFrm : public tk::Form {
public:
    static constexpr const wchar_t* kEncryptMismatchText = L"Не совпадают пороли в полях! Засшифровка невазможна!";
    static constexpr const wchar_t* kDecryptMismatchText = L"Не совпадают пороли в полях! Расшифровка невазможна!";
    static constexpr const wchar_t* kBadPasswordText = L"Не верный пороль! Расшифровка невазможна!";
    // The key is made from the password's Windows-1251 bytes; a character
    // without one would give a key no other copy could make.
    static constexpr const wchar_t* kPasswordCharsetText =
        L"В пароле есть знаки, которых нет в кодировке Windows-1251. "
        L"Выберите пароль из русских и латинских букв, цифр и обычных знаков.";

    explicit TMainFrm(TMainFrmPrompts& prompts = SystemPrompts());

    static const tk::FormLayout& Layout();

    TCryptLib Crypto;
    TfsEdit* PasswordEdit;
    TfsLabel* PasswordLbl;
    TfsComboEdit* InputEdit;
    TfsComboEdit* OutputEdit;
    TfsEdit* RePasswordEdit;
    TfsLabel* RePasswodLbl;
    TfsLabel* InputLbl;
    TfsLabel* OutputLbl;
    tk::FileDialog& OpenDialog;
    tk::FileDialog& SaveDialog;
    TfsBitBtn* EnCryptBtn;
    TfsBitBtn* DeCryptBtn;
    TfsBitBtn* AboutBtn;
    TfsBitBtn* fsBitBtn2;

    void InputEditButtonClick(tk::Component& Sender);
    void OutputEditButtonClick(tk::Component& Sender);
    void fsBitBtn2Click(tk::Component& Sender);
    void EnCryptBtnClick(tk::Component& Sender);
    void DeCryptBtnClick(tk::Component& Sender);
    void CryptoBadPassword(TCryptLib& Sender);
    void AboutBtnClick(tk::Component& Sender);

private:
    enum class Operation { Encrypt, Decrypt };
    void Run(Operation operation);
    void Browse(tk::FileDialog& dialog, TfsComboEdit& field);

    TMainFrmPrompts& prompts_;
};
