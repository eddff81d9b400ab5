// The about window: name, version, the disclaimer and the author's links.
#pragma once

#include "controls/flat_button.h"
#include "controls/flat_edit.h"
#include "controls/flat_label.h"
#include "controls/link_label.h"
#include "controls/title_label.h"
#include "toolkit/form.h"

class TAboutFrm : public tk::Form {
public:
    // The disclaimer, line by line.  Some words are spelled partly with
    // Latin letters that look Cyrillic; the text holds them letter for
    // letter, and the tests check that it does.
    static const wchar_t* const kLicenseText;
    static constexpr const wchar_t* kSiteAddress = L"http://example.org/";
    static constexpr const wchar_t* kMailAddress = L"mailto:author@example.org";

    TAboutFrm();

    static const tk::FormLayout& Layout();

    TfsBitBtn* CloseBtn;
    TfsMemo* LicenseMemo;
    TfsLabel* VersionLbl;
    TabcURLLabel* SiteLbl;
    TabcURLLabel* MailLbl;
    TOrvelLabel* NameLbl;

    void CloseBtnClick(tk::Component& Sender);
};

class TMainFrm;
// The program's two windows, made at start-up.
extern TMainFrm* MainFrm;
extern TAboutFrm* AboutFrm;
