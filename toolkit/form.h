// Forms: top-level windows built from a stored layout table, shown
// modelessly or modally.
#pragma once

#include "control.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tk {

enum class BorderStyle { Single, Dialog, Sizeable, None };
enum BorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };
enum class FormPosition { Designed, ScreenCenter };
enum ModalResult : int { mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrYes = IDYES, mrNo = IDNO };

// One "name = value" setting of a stored layout.
struct Setting {
    std::wstring_view name;
    std::wstring_view value;
};

// One control of a stored layout.  Bounds are client pixels at 96 dots per
// inch; tabOrder is -1 for a control that takes no focus.  Settings are
// applied in order after every control of the form exists, so they can
// name one another (FocusControl) and the form's handlers (OnClick).
struct ControlLayout {
    std::wstring_view kind;
    std::wstring_view name;
    int left, top, width, height;
    std::wstring_view text;
    int tabOrder;
    std::vector<Setting> settings;
};

struct FormLayout {
    std::wstring_view caption;
    int clientWidth, clientHeight;
    BorderStyle border = BorderStyle::Single;
    unsigned borderIcons = biSystemMenu | biMinimize;
    FormPosition position = FormPosition::ScreenCenter;
    std::vector<Setting> settings;  // the form's own (Font.Name, Color, ...)
    std::vector<ControlLayout> controls;
};

// Kinds a layout can name.  The toolkit's own (TLabel, TEdit, TMemo,
// TBitBtn, TSpeedButton) are always known; libraries add theirs.
using ControlFactory = std::function<std::unique_ptr<Control>()>;
void RegisterControlKind(std::wstring kind, ControlFactory factory);
std::unique_ptr<Control> CreateControlOfKind(std::wstring_view kind);  // raises Error for an unknown kind

class Form : public Control, private LayoutContext {
public:
    Form();
    ~Form() override;

    // Creates the controls of `layout` (owned by the form, children of its
    // window) and applies the form's own settings.
    void LoadLayout(const FormLayout& layout);
    // A handler that the layout's event settings can name.
    void RegisterHandler(std::wstring name, NotifyEvent handler);

    template <class T>
    T& Find(std::wstring_view name) {
        if (auto* c = dynamic_cast<T*>(FindComponent(name))) return *c;
        MissingComponent(name);
    }

    // --- frame
    void SetClientSize(int width, int height);
    void SetBorderStyle(BorderStyle style) noexcept { border_ = style; }
    void SetBorderIcons(unsigned icons) noexcept { icons_ = icons; }
    void SetPosition(FormPosition position) noexcept { position_ = position; }
    // The title bar's and the taskbar's pictures; `smallIcon` defaults to `big`.
    void SetIcon(HICON big, HICON smallIcon = nullptr);
    void CenterOnScreen();

    // --- showing
    void Show(int showCommand = SW_SHOWNORMAL);
    void Hide();
    // Asks the form to close: a modal form ends its modal show with
    // mrCancel, the application's main form ends the application, any
    // other form hides.
    void Close();
    // Shows the form with every other window of the program disabled and
    // runs messages until ModalResult is set (or the form closed); then
    // hides it and returns the result.
    int ShowModal();
    bool Modal() const noexcept { return modal_; }
    int GetModalResult() const noexcept { return modalResult_; }
    void SetModalResult(int result) noexcept { modalResult_ = result; }

    // --- focus
    Control* ActiveControl() const noexcept { return active_; }
    void SetActiveControl(Control* control);
    // The focusable control with the lowest tab order.
    Control* FirstTabControl() const;

    std::wstring_view KindName() const override { return L"TForm"; }

    NotifyEvent OnShow;
    NotifyEvent OnClose;

protected:
    void CreateParams(WindowParams& params) override;
    void CreateWnd() override;
    LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override;
    virtual bool CloseQuery() { return true; }

private:
    friend class Control;
    [[noreturn]] void MissingComponent(std::wstring_view name) const;
    void FocusMoved(Control* to);
    void OrderTabs();
    Control* DefaultButton() const;
    Control* CancelButton() const;

    Control& FindControl(std::wstring_view name) override;
    NotifyEvent Handler(std::wstring_view name) override;
    HINSTANCE Module() override;

    std::map<std::wstring, NotifyEvent, std::less<>> handlers_;
    BorderStyle border_ = BorderStyle::Single;
    unsigned icons_ = biSystemMenu | biMinimize;
    FormPosition position_ = FormPosition::Designed;
    int clientWidth_ = 0, clientHeight_ = 0;
    HICON icon_ = nullptr;
    HICON smallIcon_ = nullptr;
    Control* active_ = nullptr;
    bool modal_ = false;
    int modalResult_ = mrNone;
};

}  // namespace tk
