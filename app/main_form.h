// The main window: the password typed twice, the source and destination
// chosen through file dialogs, and the buttons that run the cipher.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include <windows.h>
#include <shellapi.h>

#include "app/background.h"
#include "app/cipher.h"
#include "controls/combo_edit.h"
#include "controls/flat_button.h"
#include "controls/flat_edit.h"
#include "controls/flat_label.h"
#include "toolkit/dialogs.h"
#include "toolkit/form.h"

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

    // How long an operation runs inside its press before the window shows
    // that it is working: shorter ones look as they always did.
    static constexpr std::chrono::milliseconds kQuietTime{250};
    // Tests shorten it, so that even small files take the worker's road.
    void SetQuietTime(std::chrono::milliseconds time) noexcept { quietTime_ = time; }

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

    // An operation is running on its worker thread.
    bool Busy() const noexcept { return operation_.Running(); }
    // Stops the running operation at its next block; it then changes no
    // file and shows no error.
    void CancelOperation() noexcept { operation_.Cancel(); }
    // Files handed to the program (its command line): the first fills
    // InputEdit, the second OutputEdit, each made a full name.
    void TakeFiles(const std::vector<std::wstring>& names);

protected:
    void CreateWnd() override;
    LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override;
    // Closing during an operation cancels it; the window closes once the
    // worker has put everything back.
    bool CloseQuery() override;

private:
    enum class Operation { Encrypt, Decrypt };
    void Run(Operation operation);
    // On the window's thread once the worker has ended: the window as
    // before, then the outcome's dialog or box.
    void Finish();
    void ShowBusy(bool busy);
    void ShowProgress();
    void DropFiles(HDROP drop);
    void Browse(tk::FileDialog& dialog, TfsComboEdit& field);

    TMainFrmPrompts& prompts_;
    std::chrono::milliseconds quietTime_ = kQuietTime;
    // Written on the worker (by OnBadPassword), read after it has ended.
    bool badPassword_ = false;
    bool busyShown_ = false;
    bool closeWhenDone_ = false;
    tk::Control* focusBeforeRun_ = nullptr;
    std::wstring progressShown_;
    HWND notify_ = nullptr;
    // Last: it waits for its worker before the cipher the worker uses goes.
    TBackgroundOperation operation_{[this] { PostMessageW(notify_, kOperationNews, 0, 0); }};
    static constexpr UINT kOperationNews = WM_APP + 0x100;
};
