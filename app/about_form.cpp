#include "app/about_form.h"

#include "tessavel/version.h"

TAboutFrm* AboutFrm = nullptr;

const wchar_t* const TAboutFrm::kLicenseText =
    L"ВНИМАНИЕ!" L"\r\n"
    L"Программа распространяется по принципу AS-IS (как есть). " L"\r\n"
    L"Автор не несет aбcoлютнo никaкoй ответственности за " L"\r\n"
    L"упущенную выгоду при использовaнии/неиспользовании данного " L"\r\n"
    L"программного продукта, a тaкжe зa пpoчий вpeд/пoльзy " L"\r\n"
    L"нaнeceнный/нe нaнeceнный этoй пpoгpaммoй. Bы пoльзyeтecь " L"\r\n"
    L"этoй пpoгpaммoй нa cвoй cтpaх и pиcк! Автоp может " L"\r\n"
    L"гаpантиpовать только то, что эта пpогpамма бyжет занимать " L"\r\n"
    L"место на вашем диске.";

const tk::FormLayout& TAboutFrm::Layout() {
    static const tk::FormLayout layout{
        .caption = L"О программе...",
        .clientWidth = 383,
        .clientHeight = 239,
        .border = tk::BorderStyle::Dialog,
        .borderIcons = tk::biSystemMenu,
        .settings = {{L"Color", L"clBtnFace"}, {L"Font.Name", L"MS Sans Serif"}, {L"Font.Height", L"-11"},
                     {L"Font.Color", L"clWindowText"}},
        .controls = {
            {L"TOrvelLabel", L"NameLbl", 120, 8, 129, 25, L"Tessavel", -1,
             {{L"ParentFont", L"False"}, {L"Font.Name", L"MS Sans Serif"}, {L"Font.Height", L"-19"},
              {L"Font.Style", L"fsBold"}, {L"Font.Color", L"clWindowText"}}},
            {L"TfsLabel", L"VersionLbl", 152, 40, 65, 17, L"Версия " TESSAVEL_VERSION_WTEXT, -1,
             {{L"AutoSize", L"False"}, {L"Layout", L"tlCenter"}}},
            {L"TfsMemo", L"LicenseMemo", 8, 64, 369, 97, kLicenseText, 1,
             {{L"ScrollBars", L"ssVertical"}, {L"WordWrap", L"True"}}},
            {L"TabcURLLabel", L"SiteLbl", 16, 176, 104, 13, kSiteAddress, -1,
             {{L"URL", kSiteAddress}, {L"Cursor", L"crHandPoint"}, {L"ParentFont", L"False"},
              {L"Font.Name", L"MS Sans Serif"}, {L"Font.Height", L"-11"}, {L"Font.Color", L"clBlue"}}},
            {L"TabcURLLabel", L"MailLbl", 288, 176, 84, 13, kMailAddress, -1,
             // The address is longer than the box: it grows to the left
             // from the box's right edge rather than out of the window.
             {{L"Alignment", L"taRightJustify"}, {L"URL", kMailAddress}, {L"ShowBrowser", L"aswMinimize"}, {L"Cursor", L"crHandPoint"},
              {L"ParentFont", L"False"}, {L"Font.Name", L"MS Sans Serif"}, {L"Font.Height", L"-11"},
              {L"Font.Color", L"clBlue"}}},
            {L"TfsBitBtn", L"CloseBtn", 144, 208, 89, 25, L"Закрыть", 0,
             {{L"Default", L"True"}, {L"Glyph", L"CLOSE_GLYPH"}, {L"NumGlyphs", L"2"}, {L"OnClick", L"CloseBtnClick"}}},
        },
    };
    return layout;
}

TAboutFrm::TAboutFrm() {
    RegisterHandler(L"CloseBtnClick", [this](tk::Component& s) { CloseBtnClick(s); });
    tk::LoadLayout(*this, Layout());
    CloseBtn = &Find<TfsBitBtn>(L"CloseBtn");
    LicenseMemo = &Find<TfsMemo>(L"LicenseMemo");
    VersionLbl = &Find<TfsLabel>(L"VersionLbl");
    SiteLbl = &Find<TabcURLLabel>(L"SiteLbl");
    MailLbl = &Find<TabcURLLabel>(L"MailLbl");
    NameLbl = &Find<TOrvelLabel>(L"NameLbl");
}

void TAboutFrm::CloseBtnClick(tk::Component&) { Close(); }
