// Shows every flat control in each of its states, for looking at what the
// tests check.  Not shipped.
#include <string_view>

#include <windows.h>

#include "controls/combo_edit.h"
#include "controls/flat_button.h"
#include "controls/flat_edit.h"
#include "controls/flat_label.h"
#include "controls/title_label.h"
#include "toolkit/application.h"

namespace {

using tk::ControlLayout;

// A 2-image 16 x 16 glyph: a green tick, and the same in grey for disabled.
tk::Bitmap TickGlyph() {
    const COLORREF olive = RGB(0x80, 0x80, 0), green = RGB(0, 0x80, 0), grey = RGB(0x80, 0x80, 0x80);
    tk::Bitmap glyph(32, 16, olive);
    for (int image = 0; image < 2; ++image)
        for (int i = 0; i < 10; ++i) {
            const int x = 3 + i, y = i < 4 ? 8 + i : 11 - (i - 3);
            for (int t = 0; t < 2; ++t) {
                glyph.SetPixel(image * 16 + x, y + t, image == 0 ? green : grey);
                if (image == 1) glyph.SetPixel(image * 16 + x + 1, y + t + 1, RGB(0xFF, 0xFF, 0xFF));
            }
        }
    return glyph;
}

const tk::FormLayout& GalleryLayout() {
    static const tk::FormLayout layout{
        .caption = L"Flat controls",
        .clientWidth = 520,
        .clientHeight = 328,
        .settings = {{L"Font.Name", L"MS Sans Serif"}, {L"Font.Height", L"-11"}},
        .controls = {
            {L"TOrvelLabel", L"Title", 8, 8, 129, 25, L"Tessavel", -1, {{L"Font.Height", L"-19"}, {L"Font.Style", L"fsBold"}}},
            {L"TfsLabel", L"NormalLbl", 120, 40, 90, 17, L"normal", -1, {{L"Layout", L"tlBottom"}}},
            {L"TfsLabel", L"HotLbl", 220, 40, 90, 17, L"hot", -1, {{L"Layout", L"tlBottom"}}},
            {L"TfsLabel", L"FocusLbl", 320, 40, 90, 17, L"focused", -1, {{L"Layout", L"tlBottom"}}},
            {L"TfsLabel", L"DisabledLbl", 420, 40, 90, 17, L"disabled", -1, {{L"Layout", L"tlBottom"}}},

            {L"TfsLabel", L"EditLbl", 8, 64, 100, 17, L"TfsEdit", -1, {{L"Layout", L"tlBottom"}}},
            {L"TfsEdit", L"EditNormal", 120, 64, 90, 21, L"marigold", 1, {}},
            {L"TfsEdit", L"EditHot", 220, 64, 90, 21, L"marigold", 2, {}},
            {L"TfsEdit", L"EditFocus", 320, 64, 90, 21, L"marigold", 0, {}},
            {L"TfsEdit", L"EditDisabled", 420, 64, 90, 21, L"marigold", 3, {{L"Enabled", L"False"}}},

            {L"TfsLabel", L"MemoLbl", 8, 96, 100, 17, L"TfsMemo", -1, {{L"Layout", L"tlBottom"}}},
            {L"TfsMemo", L"MemoNormal", 120, 96, 90, 49, L"Line one\r\nLine two\r\nLine three\r\nLine four", 4,
             {{L"ScrollBars", L"ssVertical"}}},
            {L"TfsMemo", L"MemoHot", 220, 96, 90, 49, L"Line one\r\nLine two\r\nLine three\r\nLine four", 5,
             {{L"ScrollBars", L"ssVertical"}}},
            {L"TfsMemo", L"MemoBoth", 320, 96, 90, 49, L"Both scroll bars and a long line\r\nTwo\r\nThree\r\nFour", 6,
             {{L"ScrollBars", L"ssBoth"}, {L"WordWrap", L"False"}}},
            {L"TfsMemo", L"MemoDisabled", 420, 96, 90, 49, L"Line one\r\nLine two", 7, {{L"Enabled", L"False"}}},

            {L"TfsLabel", L"BtnLbl", 8, 160, 100, 17, L"TfsBitBtn", -1, {{L"Layout", L"tlBottom"}}},
            {L"TfsBitBtn", L"BtnNormal", 120, 160, 90, 25, L"Закрыть", 8, {}},
            {L"TfsBitBtn", L"BtnHot", 220, 160, 90, 25, L"Закрыть", 9, {}},
            {L"TfsBitBtn", L"BtnFocus", 320, 160, 90, 25, L"Закрыть", 10, {}},
            {L"TfsBitBtn", L"BtnDisabled", 420, 160, 90, 25, L"Закрыть", 11, {{L"Enabled", L"False"}}},
            {L"TfsLabel", L"PressedLbl", 8, 192, 100, 17, L"pressed, default", -1, {{L"Layout", L"tlBottom"}}},
            {L"TfsBitBtn", L"BtnPressed", 120, 192, 90, 25, L"Выход", 12, {}},
            {L"TfsBitBtn", L"BtnDefault", 220, 192, 90, 25, L"Выход", 13, {{L"Default", L"True"}}},

            {L"TfsLabel", L"FlatFontLbl", 8, 228, 200, 17, L"TfsLabel under the pointer", -1,
             {{L"Layout", L"tlBottom"}, {L"FlatFont.Style", L"fsBold"}, {L"FlatFont.Color", L"clBlue"},
              {L"FocusControl", L"EditForLabel"}}},
            {L"TfsEdit", L"EditForLabel", 220, 228, 90, 21, L"its FocusControl", 14, {}},
            {L"TOrvelLabel", L"TitleDisabled", 320, 224, 100, 25, L"Disabled", -1,
             {{L"Font.Height", L"-19"}, {L"Font.Style", L"fsBold"}, {L"Enabled", L"False"}}},

            {L"TfsLabel", L"ComboLbl", 8, 264, 100, 17, L"TfsComboEdit", -1, {{L"Layout", L"tlBottom"}}},
            {L"TfsComboEdit", L"ComboNormal", 120, 264, 90, 21, L"C:\\file.txt", 15, {{L"ReadOnly", L"True"}}},
            {L"TfsComboEdit", L"ComboHot", 220, 264, 90, 21, L"C:\\file.txt", 16, {{L"ReadOnly", L"True"}}},
            {L"TfsComboEdit", L"ComboFocus", 320, 264, 90, 21, L"C:\\file.txt", 17, {{L"ReadOnly", L"True"}}},
            {L"TfsComboEdit", L"ComboDisabled", 420, 264, 90, 21, L"C:\\file.txt", 18, {{L"Enabled", L"False"}}},
            {L"TfsLabel", L"ComboPressedLbl", 8, 296, 100, 17, L"button held", -1, {{L"Layout", L"tlBottom"}}},
            {L"TfsComboEdit", L"ComboPressed", 120, 296, 90, 21, L"", 19, {{L"ReadOnly", L"True"}}},
        },
    };
    return layout;
}

class GalleryForm : public tk::Form {
public:
    // `focus` names the control that starts with the focus.
    explicit GalleryForm(const wchar_t* focus) {
        tk::LoadLayout(*this, GalleryLayout());
        const tk::Bitmap glyph = TickGlyph();
        for (const wchar_t* name : {L"BtnNormal", L"BtnHot", L"BtnFocus", L"BtnDisabled", L"BtnPressed", L"BtnDefault"})
            Find<TfsBitBtn>(name).SetGlyph(glyph);
        focus_ = &Find<tk::Control>(focus);
        SetActiveControl(focus_);
        OnShow = [this](tk::Component&) { ShowStates(); };
    }

private:
    tk::Control* focus_ = nullptr;

    // The hot states as the pointer would make them, and held buttons.
    void ShowStates() {
        Find<TfsEdit>(L"EditHot").MouseEnter(Find<TfsEdit>(L"EditHot"));
        Find<TfsMemo>(L"MemoHot").MouseEnter(Find<TfsMemo>(L"MemoHot"));
        Find<TfsBitBtn>(L"BtnHot").MouseEnter(Find<TfsBitBtn>(L"BtnHot"));
        auto& label = Find<TfsLabel>(L"FlatFontLbl");
        label.MouseEnter(label);
        SendMessageW(Find<TfsBitBtn>(L"BtnPressed").Handle(), BM_SETSTATE, TRUE, 0);
        auto& hotButton = Find<TfsComboEdit>(L"ComboHot").Button();
        hotButton.MouseEnter(hotButton);
        auto& held = Find<TfsComboEdit>(L"ComboPressed").Button();
        held.MouseEnter(held);
        SendMessageW(held.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        // The press took the focus (as it should); back to the one shown
        // focused.
        focus_->SetFocus();
    }
};

}  // namespace

// "flat-gallery" focuses the edit of the focused column, "flat-gallery
// button" its bit button, "flat-gallery combo" its combo-edit.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    InitFlatControls();
    tk::Application& app = tk::Application::Instance();
    const std::wstring_view which(commandLine);
    app.CreateForm<GalleryForm>(which == L"button" ? L"BtnFocus" : which == L"combo" ? L"ComboFocus" : L"EditFocus");
    app.Run();
    app.DestroyForms();
    return 0;
}
