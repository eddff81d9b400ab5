#include "controls/link_label.h"

#include <algorithm>
#include <array>
#include <utility>

#include <windows.h>

#include "controls/browser_command.h"
#include "toolkit/property.h"

namespace {

constexpr std::array<std::pair<TabcShowWindowStyle, const wchar_t*>, 12> kStyleNames{{
    {TabcShowWindowStyle::aswHide, L"aswHide"},
    {TabcShowWindowStyle::aswMaximize, L"aswMaximize"},
    {TabcShowWindowStyle::aswMinimize, L"aswMinimize"},
    {TabcShowWindowStyle::aswRestore, L"aswRestore"},
    {TabcShowWindowStyle::aswShow, L"aswShow"},
    {TabcShowWindowStyle::aswShowDefault, L"aswShowDefault"},
    {TabcShowWindowStyle::aswShowMaximized, L"aswShowMaximized"},
    {TabcShowWindowStyle::aswShowMinimized, L"aswShowMinimized"},
    {TabcShowWindowStyle::aswShowMinNoActivate, L"aswShowMinNoActivate"},
    {TabcShowWindowStyle::aswShowNA, L"aswShowNA"},
    {TabcShowWindowStyle::aswShowNoActivate, L"aswShowNoActivate"},
    {TabcShowWindowStyle::aswShowNormal, L"aswShowNormal"},
}};

// "[almUnderline,almSound]", brackets optional, "" or "[]" for none.
TabcLabelMouseEffects ParseEffects(std::wstring_view kind, std::wstring_view property, std::wstring_view value) {
    if (!value.empty() && value.front() == L'[') value.remove_prefix(1);
    if (!value.empty() && value.back() == L']') value.remove_suffix(1);
    TabcLabelMouseEffects effects = 0;
    while (!value.empty()) {
        const std::size_t comma = value.find(L',');
        std::wstring_view name = value.substr(0, comma);
        while (!name.empty() && name.front() == L' ') name.remove_prefix(1);
        while (!name.empty() && name.back() == L' ') name.remove_suffix(1);
        if (name == L"almUnderline") effects |= almUnderline;
        else if (name == L"almColor") effects |= almColor;
        else if (name == L"almColorShadow") effects |= almColorShadow;
        else if (name == L"almSound") effects |= almSound;
        else if (!name.empty()) tk::BadProperty(kind, property, "unknown effect");
        value = comma == std::wstring_view::npos ? std::wstring_view() : value.substr(comma + 1);
    }
    return effects;
}

BrowserStarter& Starter() {
    static BrowserStarter starter;
    return starter;
}

// What the system's WinExec does, over the wide process start, so that a
// browser or a URL with characters of any script arrives whole.
unsigned StartProcess(const std::wstring& commandLine, int showCode) {
    std::wstring line = commandLine;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(showCode);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        const DWORD error = GetLastError();
        return error < 32 ? static_cast<unsigned>(error) : 0;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 33;
}

// The unnamed value of a key directly under HKEY_CLASSES_ROOT, or nothing;
// `expandable` tells whether it names environment variables to expand.
std::wstring ClassesDefaultValue(const std::wstring& key, bool* expandable = nullptr) {
    HKEY handle;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return {};
    std::array<wchar_t, browser::kValueBytes / sizeof(wchar_t)> buffer{};
    DWORD size = static_cast<DWORD>(sizeof buffer);
    DWORD type = 0;
    const LONG result = RegQueryValueExW(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
    if (expandable) *expandable = type == REG_EXPAND_SZ;
    return browser::ValueText(std::wstring_view(buffer.data(), size / sizeof(wchar_t)));
}

// An open command stored with variables (%ProgramFiles%, %SystemRoot%) names
// no program until they are expanded.
std::wstring Expanded(const std::wstring& text) {
    const DWORD size = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (size == 0) return text;
    std::wstring out(size, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(text.c_str(), out.data(), size);
    if (written == 0 || written > size) return text;
    out.resize(written - 1);
    return out;
}

}  // namespace

int ShowWindowCode(TabcShowWindowStyle style) noexcept {
    switch (style) {
    case TabcShowWindowStyle::aswHide: return SW_HIDE;
    case TabcShowWindowStyle::aswMaximize: return SW_MAXIMIZE;
    case TabcShowWindowStyle::aswMinimize: return SW_MINIMIZE;
    case TabcShowWindowStyle::aswRestore: return SW_RESTORE;
    case TabcShowWindowStyle::aswShow: return SW_SHOW;
    case TabcShowWindowStyle::aswShowDefault: return SW_SHOWDEFAULT;
    case TabcShowWindowStyle::aswShowMaximized: return SW_SHOWMAXIMIZED;
    case TabcShowWindowStyle::aswShowMinimized: return SW_SHOWMINIMIZED;
    case TabcShowWindowStyle::aswShowMinNoActivate: return SW_SHOWMINNOACTIVE;
    case TabcShowWindowStyle::aswShowNA: return SW_SHOWNA;
    case TabcShowWindowStyle::aswShowNoActivate: return SW_SHOWNOACTIVATE;
    case TabcShowWindowStyle::aswShowNormal: return SW_SHOWNORMAL;
    }
    return SW_SHOWNORMAL;
}

void SetBrowserStarter(BrowserStarter starter) { Starter() = std::move(starter); }

unsigned OpenInBrowser(const std::wstring& url, int showCode) {
    try {
        const std::wstring type = ClassesDefaultValue(L".htm");
        if (type.empty()) return 0;
        bool expandable = false;
        const std::wstring command = ClassesDefaultValue(type + L"\\shell\\open\\command", &expandable);
        if (command.empty()) return 0;
        // The cut is made on the stored text; variables are expanded after it,
        // so that a value of one cannot move the placeholder.
        std::wstring line = browser::CommandLine(command, L"");
        if (expandable) line = Expanded(line);
        line += url;
        return Starter() ? Starter()(line, showCode) : StartProcess(line, showCode);
    } catch (...) {
        // A click that cannot start the browser does nothing at all.
        return 0;
    }
}

// --- TabcCustomWaveList -------------------------------------------------------

TabcCustomWaveList::~TabcCustomWaveList() {
    for (TabcCustomMouseLabel* label : users_) label->soundList_ = nullptr;
}

// --- TabcCustomMouseLabel -----------------------------------------------------

TabcCustomMouseLabel::TabcCustomMouseLabel() = default;

TabcCustomMouseLabel::~TabcCustomMouseLabel() { SetSoundList(nullptr); }

TabcLabelMouseEffects TabcCustomMouseLabel::ResolveEffects(TabcLabelMouseEffects old,
                                                           TabcLabelMouseEffects wanted) noexcept {
    if ((wanted & almColorShadow) && !(old & almColorShadow)) return wanted & ~TabcLabelMouseEffects(almColor);
    if ((wanted & almColor) && !(old & almColor)) return wanted & ~TabcLabelMouseEffects(almColorShadow);
    return wanted;
}

void TabcCustomMouseLabel::SetMouseOverEffects(TabcLabelMouseEffects effects) {
    if (effects == overEffects_) return;
    overEffects_ = ResolveEffects(overEffects_, effects);
    if (hovered_ && !pressed_) Repaint();
}

void TabcCustomMouseLabel::SetMouseDownEffects(TabcLabelMouseEffects effects) {
    if (effects == downEffects_) return;
    downEffects_ = ResolveEffects(downEffects_, effects);
    if (pressed_) Repaint();
}

void TabcCustomMouseLabel::SetMouseOverColor(tk::Color color) {
    if (!tk::Change(overColor_, color)) return;
    if (hovered_ && !pressed_) Repaint();
}

void TabcCustomMouseLabel::SetMouseDownColor(tk::Color color) {
    if (!tk::Change(downColor_, color)) return;
    if (pressed_) Repaint();
}

void TabcCustomMouseLabel::SetSoundList(TabcCustomWaveList* list) {
    if (list == soundList_) return;
    if (soundList_) std::erase(soundList_->users_, this);
    soundList_ = list;
    if (soundList_) soundList_->users_.push_back(this);
}

void TabcCustomMouseLabel::PlayEffectSound(TabcLabelMouseEffects effects, unsigned index) {
    if ((effects & almSound) && soundList_) soundList_->Play(index);
}

void TabcCustomMouseLabel::DoMouseEnter() {
    if (OnMouseEnter) OnMouseEnter(*this);
}

void TabcCustomMouseLabel::DoMouseLeave() {
    if (OnMouseLeave) OnMouseLeave(*this);
}

void TabcCustomMouseLabel::MouseEnter(tk::Control& source) {
    Label::MouseEnter(source);
    if (&source == this) HandleEnter();
}

void TabcCustomMouseLabel::MouseLeave(tk::Control& source) {
    Label::MouseLeave(source);
    if (&source == this) HandleLeave();
}

void TabcCustomMouseLabel::HandleEnter() {
    if (!hovered_ && Enabled()) {
        hovered_ = true;
        Repaint();
        PlayEffectSound(overEffects_, soundOver_);
    }
    DoMouseEnter();
}

// Labels are never dragged here, so a leave always counts.
void TabcCustomMouseLabel::HandleLeave() {
    if (Enabled()) {
        hovered_ = false;
        Repaint();
    }
    DoMouseLeave();
}

void TabcCustomMouseLabel::MouseDown(tk::MouseButton button, int x, int y) {
    Label::MouseDown(button, x, y);
    if (!pressed_ && Enabled()) {
        pressed_ = true;
        Repaint();
        PlayEffectSound(downEffects_, soundDown_);
    }
}

void TabcCustomMouseLabel::MouseUp(tk::MouseButton button, int x, int y) {
    Label::MouseUp(button, x, y);
    if (pressed_ && Enabled()) {
        pressed_ = false;
        Repaint();
    }
}

void TabcCustomMouseLabel::EnabledChanged() {
    Label::EnabledChanged();
    RecheckHover();
}

void TabcCustomMouseLabel::RecheckHover() {
    pressed_ = false;
    if (!Enabled() || !HandleAllocated()) return;
    // The window under the pointer, disabled ones included (the system's
    // own search passes over them).
    POINT at;
    GetCursorPos(&at);
    HWND under = WindowFromPoint(at);
    for (HWND child; under; under = child) {
        POINT local = at;
        ScreenToClient(under, &local);
        child = ChildWindowFromPointEx(under, local, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (!child || child == under) break;
    }
    // The flag is set the other way first so that the notification's own
    // test lets it through and repaints.
    const bool over = under == Handle();
    hovered_ = !over;
    if (over) MouseEnter(*this);
    else MouseLeave(*this);
}

void TabcCustomMouseLabel::DoDrawText(HDC dc, RECT& rect, UINT flags) {
    const std::wstring text = DrawnText(flags);
    const int n = static_cast<int>(text.size());
    SetBkMode(dc, TRANSPARENT);
    if (!Enabled()) {
        tk::Selected font(dc, GetFont().Handle());
        if (flags & DT_CALCRECT) {
            DrawTextW(dc, text.c_str(), n, &rect, flags);
            return;
        }
        tk::DrawEmbossedText(dc, text, rect, flags, Scaling().Whole());
        return;
    }

    TabcLabelMouseEffects effects = 0;
    tk::Color effectColor = 0;
    if (pressed_) {
        effects = downEffects_;
        effectColor = downColor_;
    } else if (hovered_) {
        effects = overEffects_;
        effectColor = overColor_;
    }
    // The effects go on a copy: the label's own font never changes.
    tk::Font canvas(GetFont());
    if (effects & almUnderline) canvas.SetStyle(canvas.Style() | tk::fsUnderline);
    tk::Selected font(dc, canvas.Handle());
    if (flags & DT_CALCRECT) {
        DrawTextW(dc, text.c_str(), n, &rect, flags);
        return;
    }
    COLORREF color = tk::ToRgb(GetFont().TextColor());
    if (effects & almColor) {
        color = tk::ToRgb(effectColor);
    } else if (effects & almColorShadow) {
        SetTextColor(dc, tk::ToRgb(effectColor));
        const int line = Scaling().Whole();
        RECT shadow = rect;
        OffsetRect(&shadow, -line, -line);
        DrawTextW(dc, text.c_str(), n, &shadow, flags);
        shadow = rect;
        OffsetRect(&shadow, line, line);
        DrawTextW(dc, text.c_str(), n, &shadow, flags);
    }
    SetTextColor(dc, color);
    DrawTextW(dc, text.c_str(), n, &rect, flags);
}

bool TabcCustomMouseLabel::SetProperty(std::wstring_view name, std::wstring_view value, tk::LayoutContext& context) {
    if (name == L"MouseOverEffects") SetMouseOverEffects(ParseEffects(KindName(), name, value));
    else if (name == L"MouseDownEffects") SetMouseDownEffects(ParseEffects(KindName(), name, value));
    else if (name == L"MouseOverColor") SetMouseOverColor(tk::ParseColor(value));
    else if (name == L"MouseDownColor") SetMouseDownColor(tk::ParseColor(value));
    else if (name == L"SoundOver") SetSoundOver(static_cast<unsigned>(tk::ParseInt(value)));
    else if (name == L"SoundDown") SetSoundDown(static_cast<unsigned>(tk::ParseInt(value)));
    else if (name == L"OnMouseEnter") OnMouseEnter = context.Handler(value);
    else if (name == L"OnMouseLeave") OnMouseLeave = context.Handler(value);
    else return Label::SetProperty(name, value, context);
    return true;
}

// --- TabcURLLabel -------------------------------------------------------------

TabcURLLabel::TabcURLLabel() {
    GetFont().SetColor(0x00FF0000);  // blue
    SetMouseDownColor(0x00800080);   // purple
    SetMouseDownEffects(almColor | almSound);
    SetMouseOverEffects(almUnderline | almSound);
    showBrowser_ = TabcShowWindowStyle::aswShowMaximized;
}

void TabcURLLabel::SetURL(std::wstring url) {
    if (url != url_) url_ = std::move(url);
}

void TabcURLLabel::Click() {
    TabcMouseLabel::Click();
    OpenInBrowser(url_, ShowWindowCode(showBrowser_));
}

bool TabcURLLabel::SetProperty(std::wstring_view name, std::wstring_view value, tk::LayoutContext& context) {
    if (name == L"URL") {
        SetURL(std::wstring(value));
    } else if (name == L"ShowBrowser") {
        auto it = std::find_if(kStyleNames.begin(), kStyleNames.end(), [&](const auto& e) { return value == e.second; });
        if (it == kStyleNames.end()) tk::BadProperty(KindName(), name, "unknown show style");
        SetShowBrowser(it->first);
    } else {
        return TabcMouseLabel::SetProperty(name, value, context);
    }
    return true;
}
