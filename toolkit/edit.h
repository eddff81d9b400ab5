// The single-line edit and the memo (the system's EDIT class).
#pragma once

#include "toolkit/control.h"
#include "toolkit/layout.h"

namespace tk {

class Edit : public Control {
public:
    Edit();

    int MaxLength() const noexcept { return maxLength_; }
    void SetMaxLength(int n);
    wchar_t PasswordChar() const noexcept { return passwordChar_; }
    void SetPasswordChar(wchar_t c);
    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool r);
    // The three-dimensional border (client edge) instead of a plain line.
    bool Ctl3D() const noexcept { return ctl3D_; }
    void SetCtl3D(bool c);

    NotifyEvent OnChange;

    bool SetProperty(std::wstring_view name, std::wstring_view value, LayoutContext& context) override;
    std::wstring_view KindName() const override { return L"TEdit"; }

protected:
    void CreateParams(WindowParams& params) override;
    void CreateWnd() override;
    void Command(WORD code) override;
    // The base re-creates the window so that the border style follows.
    virtual void Ctl3DChanged();

private:
    int maxLength_ = 0;
    wchar_t passwordChar_ = 0;
    bool readOnly_ = false;
    bool ctl3D_ = true;
};

enum class ScrollBars { None, Horizontal, Vertical, Both };

class Memo : public Edit {
public:
    Memo();

    ScrollBars GetScrollBars() const noexcept { return scrollBars_; }
    void SetScrollBars(ScrollBars s);
    bool WordWrap() const noexcept { return wordWrap_; }
    void SetWordWrap(bool w);
    bool WantReturns() const noexcept { return wantReturns_; }
    void SetWantReturns(bool w) noexcept { wantReturns_ = w; }

    bool SetProperty(std::wstring_view name, std::wstring_view value, LayoutContext& context) override;
    std::wstring_view KindName() const override { return L"TMemo"; }

protected:
    void CreateParams(WindowParams& params) override;
    LRESULT WndProc(UINT msg, WPARAM w, LPARAM l) override;

private:
    ScrollBars scrollBars_ = ScrollBars::None;
    bool wordWrap_ = true;
    bool wantReturns_ = true;
};

inline const ControlKind<Edit> kEditKind{L"TEdit"};
inline const ControlKind<Memo> kMemoKind{L"TMemo"};

}  // namespace tk
