#include "toolkit/dialogs.h"

#include <algorithm>
#include <vector>

#include <cderr.h>
#include <commdlg.h>

#include "toolkit/application.h"
#include "toolkit/buttons.h"
#include "toolkit/label.h"

namespace tk {

namespace {

// The system's stop icon, drawn at its full size.
class StopIcon : public Control {
public:
    bool CanFocus() const override { return false; }

protected:
    void CreateParams(WindowParams& p) override {
        Control::CreateParams(p);
        p.className = L"TkIcon";
    }
    void Paint(HDC dc) override {
        // A shared system icon, in the system's picture closest to the
        // size: it is not ours to destroy.
        if (HICON icon = static_cast<HICON>(LoadImageW(nullptr, IDI_HAND, IMAGE_ICON, Width(), Height(), LR_SHARED)))
            DrawIconEx(dc, 0, 0, icon, Width(), Height(), 0, nullptr, DI_NORMAL);
    }
};

// The message dialog's proportions, in the dialog units of its font.
struct DialogMetrics {
    int horzMargin, vertMargin, horzSpacing, vertSpacing, buttonWidth, buttonHeight;
};

DialogMetrics MetricsFor(HDC dc) {
    static const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size{};
    GetTextExtentPoint32W(dc, letters, 52, &size);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    const int baseX = (size.cx / 26 + 1) / 2;  // average width, rounded
    const int baseY = tm.tmHeight;
    return {MulDiv(8, baseX, 4),  MulDiv(8, baseY, 8),  MulDiv(10, baseX, 4),
            MulDiv(10, baseY, 8), MulDiv(50, baseX, 4), MulDiv(14, baseY, 8)};
}

}  // namespace

MessageDialog::MessageDialog(std::wstring_view text, std::wstring_view caption) {
    SetText(caption);
    SetBorderStyle(BorderStyle::Dialog);
    SetBorderIcons(biSystemMenu);
    SetPosition(FormPosition::ScreenCenter);

    auto& icon = Own<StopIcon>();
    auto& label = Own<Label>();
    auto& ok = Own<BitBtn>();
    icon_ = &icon;
    text_ = &label;
    ok_ = &ok;

    // Measure with the font the controls will draw with.
    ClientDC screen(nullptr);
    Selected font(screen, GetFont().Handle());
    const DialogMetrics m = MetricsFor(screen);
    const int iconSize = SystemMetricForDpi(SM_CXICON, Dpi());
    RECT textRect{0, 0, GetSystemMetrics(SM_CXSCREEN) / 2, 0};
    const std::wstring shown(text);
    DrawTextW(screen, shown.c_str(), static_cast<int>(shown.size()), &textRect,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);

    const int contentWidth = iconSize + m.horzSpacing + textRect.right;
    const int contentHeight = std::max<int>(iconSize, textRect.bottom);
    const int clientWidth = std::max(contentWidth, m.buttonWidth) + 2 * m.horzMargin;
    const int buttonTop = m.vertMargin + contentHeight + m.vertSpacing;

    icon.SetBounds(m.horzMargin, m.vertMargin, iconSize, iconSize);
    icon.SetParent(this);

    label.SetAutoSize(false);
    label.SetWordWrap(true);
    label.SetShowAccelChar(false);
    label.SetText(shown);
    label.SetBounds(m.horzMargin + iconSize + m.horzSpacing, m.vertMargin, textRect.right, textRect.bottom);
    label.SetParent(this);

    ok.SetText(L"OK");
    ok.SetDefault(true);
    ok.SetCancel(true);
    ok.SetModalResult(mrOk);
    ok.SetTabOrder(0);
    ok.SetBounds((clientWidth - m.buttonWidth) / 2, buttonTop, m.buttonWidth, m.buttonHeight);
    ok.SetParent(this);

    SetClientSize(clientWidth, buttonTop + m.buttonHeight + m.vertMargin);
}

void ShowErrorDialog(std::wstring_view text) {
    MessageDialog dialog(text, L"Error");
    dialog.ShowModal();
}

// --- FileDialog -------------------------------------------------------------

unsigned long FileDialog::Options() const noexcept {
    return OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER | OFN_ENABLEHOOK;
}

POINT FileDialog::Placement(HWND owner, SIZE size) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &info);
    const RECT& r = info.rcMonitor;
    return {r.left + (r.right - r.left - size.cx) / 2, r.top + (r.bottom - r.top - size.cy) / 3};
}

namespace {

// Explorer-style dialogs call the hook for a child of the dialog; the
// dialog itself is its parent, placed once it is laid out.
UINT_PTR CALLBACK PlacementHook(HWND child, UINT msg, WPARAM, LPARAM l) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(child, GWLP_USERDATA, reinterpret_cast<const OPENFILENAMEW*>(l)->lCustData);
    } else if (msg == WM_NOTIFY && reinterpret_cast<const NMHDR*>(l)->code == CDN_INITDONE) {
        HWND dialog = GetParent(child);
        RECT r;
        GetWindowRect(dialog, &r);
        const POINT at = FileDialog::Placement(reinterpret_cast<HWND>(GetWindowLongPtrW(child, GWLP_USERDATA)),
                                               {r.right - r.left, r.bottom - r.top});
        SetWindowPos(dialog, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return 0;
}

}  // namespace

bool FileDialog::Execute(HWND owner) {
    // Room for the longest path the system takes.
    std::vector<wchar_t> buffer(32768, L'\0');
    std::copy_n(fileName_.begin(), std::min(fileName_.size(), buffer.size() - 1), buffer.begin());

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.Flags = Options();
    ofn.lpfnHook = PlacementHook;
    ofn.lCustData = reinterpret_cast<LPARAM>(owner);

    // The system dialog disables only its owner; the program's other
    // windows are disabled as for every modal window.
    WindowDisabler disabler(owner);
    auto run = [&] { return kind_ == Kind::Open ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn); };
    BOOL ok = run();
    if (!ok && CommDlgExtendedError() == FNERR_INVALIDFILENAME) {
        // A remembered name the system no longer takes must not keep the
        // dialog from opening at all.
        buffer[0] = L'\0';
        ok = run();
    }
    disabler.Restore();
    if (!ok) return false;
    fileName_ = buffer.data();
    return true;
}

}  // namespace tk
