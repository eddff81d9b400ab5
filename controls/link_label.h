// Labels that answer the mouse: underlined or coloured while the pointer is
// over them or a button is held on them, and the link that starts the web
// browser with its URL on a click.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "toolkit/label.h"

enum TabcLabelMouseEffect : unsigned {
    almUnderline = 1,
    almColor = 2,        // the text in the effect colour
    almColorShadow = 4,  // the effect colour up-left and down-right, the text's own on top
    almSound = 8,
};
// A set of the effects above, one bit each.  almColor and almColorShadow
// never stand in one set.
using TabcLabelMouseEffects = unsigned;

enum class TabcShowWindowStyle {
    aswHide,
    aswMaximize,
    aswMinimize,
    aswRestore,
    aswShow,
    aswShowDefault,
    aswShowMaximized,
    aswShowMinimized,
    aswShowMinNoActivate,
    aswShowNA,
    aswShowNoActivate,
    aswShowNormal,
};
// The show-window code the browser is started with.
int ShowWindowCode(TabcShowWindowStyle style) noexcept;

class TabcCustomMouseLabel;

// The sounds a label may ask for.  This program plays none: Play does
// nothing, and no window attaches a list.  A list that goes away clears
// the labels' references to it.
class TabcCustomWaveList : public tk::Component {
public:
    ~TabcCustomWaveList() override;
    virtual void Play(unsigned index) { (void)index; }

private:
    friend class TabcCustomMouseLabel;
    std::vector<TabcCustomMouseLabel*> users_;
};

class TabcCustomMouseLabel : public tk::Label {
public:
    TabcCustomMouseLabel();
    ~TabcCustomMouseLabel() override;

    TabcLabelMouseEffects MouseOverEffects() const noexcept { return overEffects_; }
    void SetMouseOverEffects(TabcLabelMouseEffects effects);
    TabcLabelMouseEffects MouseDownEffects() const noexcept { return downEffects_; }
    void SetMouseDownEffects(TabcLabelMouseEffects effects);
    tk::Color MouseOverColor() const noexcept { return overColor_; }
    void SetMouseOverColor(tk::Color color);
    tk::Color MouseDownColor() const noexcept { return downColor_; }
    void SetMouseDownColor(tk::Color color);

    TabcCustomWaveList* SoundList() const noexcept { return soundList_; }
    void SetSoundList(TabcCustomWaveList* list);
    unsigned SoundOver() const noexcept { return soundOver_; }
    void SetSoundOver(unsigned index) noexcept { soundOver_ = index; }
    unsigned SoundDown() const noexcept { return soundDown_; }
    void SetSoundDown(unsigned index) noexcept { soundDown_ = index; }

    // A mouse button went down on the label and has not come up.
    bool Pressed() const noexcept { return pressed_; }
    // The pointer is over the label.
    bool Hovered() const noexcept { return hovered_; }

    // After every enter and leave, enabled or not.
    tk::NotifyEvent OnMouseEnter, OnMouseLeave;

    void MouseEnter(tk::Control& source) override;
    void MouseLeave(tk::Control& source) override;

    // What the effects of a setter's new set become beside the old one.
    static TabcLabelMouseEffects ResolveEffects(TabcLabelMouseEffects old, TabcLabelMouseEffects wanted) noexcept;

    bool SetProperty(std::wstring_view name, std::wstring_view value, tk::LayoutContext& context) override;
    std::wstring_view KindName() const override { return L"TabcCustomMouseLabel"; }

protected:
    // The ends of the enter and leave handling; they fire the events.
    virtual void DoMouseEnter();
    virtual void DoMouseLeave();

    void DoDrawText(HDC dc, RECT& rect, UINT flags) override;
    void MouseDown(tk::MouseButton button, int x, int y) override;
    void MouseUp(tk::MouseButton button, int x, int y) override;
    void EnabledChanged() override;

private:
    friend class TabcCustomWaveList;
    void HandleEnter();
    void HandleLeave();
    // Sets Hovered from where the pointer is now, and repaints.
    void RecheckHover();
    void PlayEffectSound(TabcLabelMouseEffects effects, unsigned index);

    TabcLabelMouseEffects overEffects_ = almUnderline | almSound;
    TabcLabelMouseEffects downEffects_ = almUnderline | almSound;
    tk::Color overColor_ = 0x0000FFFF;  // yellow
    tk::Color downColor_ = 0x00FFFF00;  // aqua
    TabcCustomWaveList* soundList_ = nullptr;
    unsigned soundOver_ = 0;
    unsigned soundDown_ = 0;
    bool pressed_ = false;
    bool hovered_ = false;
};

class TabcMouseLabel : public TabcCustomMouseLabel {
public:
    std::wstring_view KindName() const override { return L"TabcMouseLabel"; }
};

class TabcURLLabel : public TabcMouseLabel {
public:
    TabcURLLabel();

    const std::wstring& URL() const noexcept { return url_; }
    void SetURL(std::wstring url);
    TabcShowWindowStyle ShowBrowser() const noexcept { return showBrowser_; }
    void SetShowBrowser(TabcShowWindowStyle style) noexcept { showBrowser_ = style; }

    // The ordinary click, then the browser with URL.
    void Click() override;

    bool SetProperty(std::wstring_view name, std::wstring_view value, tk::LayoutContext& context) override;
    std::wstring_view KindName() const override { return L"TabcURLLabel"; }

private:
    std::wstring url_;
    TabcShowWindowStyle showBrowser_ = TabcShowWindowStyle::aswShowMaximized;
};

// Starts the system's web browser with `url`: the open command of the
// ".htm" file type, cut at its placeholder, one space, the URL.  Silent on
// every failure; the result is the process start's (32 or more: started).
unsigned OpenInBrowser(const std::wstring& url, int showCode);

// What starts the command line; tests put a stand-in here.  Null: the
// system's process start.
using BrowserStarter = std::function<unsigned(const std::wstring& commandLine, int showCode)>;
void SetBrowserStarter(BrowserStarter starter);

inline const tk::ControlKind<TabcMouseLabel> kTabcMouseLabelKind{L"TabcMouseLabel"};
inline const tk::ControlKind<TabcURLLabel> kTabcURLLabelKind{L"TabcURLLabel"};
