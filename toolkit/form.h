// Forms: top-level windows, shown modelessly or modally, that run their
// controls' keyboard navigation (tab order, default and cancel buttons).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/control.h"
#include "toolkit/layout.h"

namespace tk {

class Form : public Control {
public:
    Form();
    ~Form() override;

    // A handler that the event settings of a stored layout can name.
    void RegisterHandler(std::wstring name, NotifyEvent handler);
    const NotifyEvent* FindHandler(std::wstring_view name) const;

    template <class T>
    T& Find(std::wstring_view name) {
        if (auto* c = dynamic_cast<T*>(FindComponent(name))) return *c;
        MissingComponent(name);
    }

    // --- frame
    // In pixels at the form's density.
    void SetClientSize(int width, int height);
    // In pixels at 96 dots per inch, kept and scaled to each density.
    void SetDesignClientSize(int width, int height);
    void SetBorderStyle(BorderStyle style) noexcept { border_ = style; }
    void SetBorderIcons(unsigned icons) noexcept { icons_ = icons; }
    void SetPosition(FormPosition position) noexcept { position_ = position; }
    // The title bar's and the taskbar's pictures; `smallIcon` defaults to `big`.
    void SetIcon(HICON big, HICON smallIcon = nullptr);
    // The icon resource `name` of `module` at the system's icon sizes for
    // the form's density, grown from its pixel art (the form owns them).
    void SetIconResource(HINSTANCE module, const wchar_t* name);
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
    void SetModalResult(int result) noexcept { modalResult_ = result; }

    // --- focus
    void SetActiveControl(Control* control);
    // The focusable control with the lowest tab order.
    Control* FirstTabControl() const;

    std::wstring_view KindName() const override { return L"TForm"; }
    // Once the controls of a stored layout are in: the tab order follows.
    void Loaded() override;

    void ChildFocused(Control& child) override;
    void ChildGone(Control& child) override;
    void RequestModalResult(int result) override { SetModalResult(result); }

    NotifyEvent OnShow;
    NotifyEvent OnClose;

protected:
    void CreateParams(WindowParams& params) override;
    void CreateWnd() override;
    LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override;
    virtual bool CloseQuery() { return true; }
    // The client size and the icons follow the density.
    void DpiChanged() override;

private:
    // The window's size for a client area of the design size at `dpi`.
    SIZE WindowSizeFor(int dpi, DWORD style, DWORD exStyle) const;
    void MakeIcons();
    void OnDpiChanged(int dpi, const RECT& suggested);
    [[noreturn]] void MissingComponent(std::wstring_view name) const;
    void OrderTabs();
    // The enabled, visible child that `query` accepts.
    Control* FindButton(bool (Control::*query)() const) const;

    std::map<std::wstring, NotifyEvent, std::less<>> handlers_;
    BorderStyle border_ = BorderStyle::Single;
    unsigned icons_ = biSystemMenu | biMinimize;
    FormPosition position_ = FormPosition::Designed;
    int clientWidth_ = 0, clientHeight_ = 0;
    std::optional<SIZE> designClient_;
    HICON icon_ = nullptr;
    HICON smallIcon_ = nullptr;
    // The icons made from a resource, owned.
    HINSTANCE iconModule_ = nullptr;
    const wchar_t* iconName_ = nullptr;
    std::vector<HICON> madeIcons_;
    Control* active_ = nullptr;
    bool modal_ = false;
    int modalResult_ = mrNone;
};

}  // namespace tk
