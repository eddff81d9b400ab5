// The windows at the screen's density, whatever it is: tools/test runs
// these at 96 DPI and again in Wine prefixes of 144 and 192 DPI, naming
// the density it set up in TESSAVEL_EXPECT_DPI.
#include <cstdlib>

#include <gtest/gtest.h>

#include "app/about_form.h"
#include "app/main_form.h"
#include "controls/flat_style.h"
#include "tests/toolkit/gui_support.h"
#include "toolkit/label.h"

namespace {

using guitest::WaitUntil;

class Dpi : public ::testing::Test {
protected:
    void SetUp() override {
        InitFlatControls();
        main_ = &tk::Application::Instance().Own<TMainFrm>();
        about_ = &tk::Application::Instance().Own<TAboutFrm>();
        main_->Show();
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main_->Handle(); }));
        if (const char* expected = std::getenv("TESSAVEL_EXPECT_DPI")) {
            ASSERT_EQ(std::atoi(expected), tk::WindowDpi(main_->Handle())) << "the prefix's density";
        }
        scale_ = tk::Scale(tk::WindowDpi(main_->Handle()));
    }
    void TearDown() override {
        tk::Application::Instance().Free(*about_);
        tk::Application::Instance().Free(*main_);
        tk::Application::Instance().ProcessMessages();
    }

    // Bounds in the form's client area.
    static RECT BoundsIn(tk::Form& form, tk::Control& c) {
        RECT r;
        GetWindowRect(c.Handle(), &r);
        MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    static int FontHeight(tk::Control& c) {
        LOGFONTW lf{};
        GetObjectW(c.GetFont().Handle(), sizeof lf, &lf);
        return lf.lfHeight;
    }
    // Every control of `form` where its 96-DPI layout puts it, scaled.
    void ExpectLayout(tk::Form& form, const tk::FormLayout& layout, const tk::Scale& scale) {
        EXPECT_EQ(scale(layout.clientWidth), form.ClientWidth());
        EXPECT_EQ(scale(layout.clientHeight), form.ClientHeight());
        for (const tk::ControlLayout& c : layout.controls) {
            auto& control = form.Find<tk::Control>(c.name);
            const RECT at = BoundsIn(form, control);
            // A label sized to its text keeps the edge it is aligned to.
            const auto* label = dynamic_cast<const tk::Label*>(&control);
            const bool sized = label && label->AutoSize();
            const bool right = sized && label->GetAlignment() == tk::Alignment::Right;
            if (!right) {
                EXPECT_EQ(scale(c.left), at.left) << control.Name();
            }
            if (!sized || right) {
                EXPECT_EQ(scale(c.left + c.width), at.right) << control.Name();
            }
            EXPECT_EQ(scale(c.top), at.top) << control.Name();
            if (!sized) {
                EXPECT_EQ(scale(c.top + c.height), at.bottom) << control.Name();
            }
        }
        EXPECT_EQ(-scale(11), FontHeight(*main_->PasswordLbl));
    }
    // The text's extent in `c`'s font.
    static SIZE TextSize(tk::Control& c) {
        tk::ClientDC dc(c.Handle());
        tk::Selected font(dc, c.GetFont().Handle());
        const std::wstring text = c.Text();
        RECT r{0, 0, 0, 0};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE);
        return {r.right, r.bottom};
    }
    // Pixels of exactly `colour` in the window of `c`, its frame included.
    static int PixelsOf(tk::Control& c, COLORREF colour) {
        RECT r;
        GetWindowRect(c.Handle(), &r);
        tk::WindowDC dc(c.Handle());
        int n = 0;
        for (int y = 0; y < r.bottom - r.top; ++y)
            for (int x = 0; x < r.right - r.left; ++x) n += GetPixel(dc, x, y) == colour;
        return n;
    }

    TMainFrm* main_ = nullptr;
    TAboutFrm* about_ = nullptr;
    tk::Scale scale_;
};

TEST_F(Dpi, WindowsAreTheirLayoutsScaled) {
    ExpectLayout(*main_, TMainFrm::Layout(), scale_);
    ExpectLayout(*about_, TAboutFrm::Layout(), scale_);
    EXPECT_EQ(-scale_(19), FontHeight(*about_->NameLbl));
    // The combo-edit's button keeps its place inside the frame's lines.
    const int line = scale_.Whole();
    TfsComboEdit& field = *main_->InputEdit;
    const RECT button = BoundsIn(*main_, field.Button());
    const RECT edit = BoundsIn(*main_, field);
    EXPECT_EQ(edit.right - 3 * line, button.right);
    EXPECT_EQ(edit.top + 3 * line, button.top);
    EXPECT_EQ(edit.bottom - 3 * line, button.bottom);
}

TEST_F(Dpi, TextsAreNotCut) {
    for (TfsLabel* label : {main_->PasswordLbl, main_->RePasswodLbl, main_->InputLbl, main_->OutputLbl,
                            about_->VersionLbl}) {
        const SIZE text = TextSize(*label);
        EXPECT_LE(text.cx, label->ClientWidth()) << label->Name();
        EXPECT_LE(text.cy, label->ClientHeight()) << label->Name();
    }
    // A caption, its glyph and the space between stay inside the frame.
    const int line = scale_.Whole();
    for (TfsBitBtn* button : {main_->EnCryptBtn, main_->DeCryptBtn, main_->AboutBtn, main_->fsBitBtn2,
                              about_->CloseBtn}) {
        const SIZE text = TextSize(*button);
        const int glyph = button->Glyph().Empty() ? 0 : button->Glyph().Width() / button->NumGlyphs() + scale_(4);
        EXPECT_LE(text.cx + glyph, button->ClientWidth() - 6 * line) << button->Name();
        EXPECT_LE(text.cy, button->ClientHeight() - 6 * line) << button->Name();
    }
    for (tk::Control* link : {static_cast<tk::Control*>(about_->SiteLbl), static_cast<tk::Control*>(about_->MailLbl),
                              static_cast<tk::Control*>(about_->NameLbl)}) {
        const RECT at = BoundsIn(*about_, *link);
        EXPECT_GE(at.left, 0) << link->Name();
        EXPECT_LE(at.right, about_->ClientWidth()) << link->Name();
    }
}

// Pictures grow by whole factors: every pixel of the source a square of
// exactly its own colour, nothing blended.
TEST_F(Dpi, GlyphsAreGrownPixelForPixel) {
    const int line = scale_.Whole();
    guitest::Settle();

    // The browse button's three black dots of 2 x 2: 12 pixels at 96 DPI.
    TfsSpeedButton& browse = main_->InputEdit->Button();
    const int room = std::min(browse.ClientWidth(), browse.ClientHeight()) - 2 * line;
    const int dotZoom = scale_.FitFactor(8, 8, room, room);
    EXPECT_EQ(line, dotZoom) << "the dots grow with the lines here";
    EXPECT_EQ(12 * dotZoom * dotZoom, PixelsOf(browse, RGB(0, 0, 0)));

    // The running figure: its two greens, each pixel a square.
    const tk::Bitmap source = tk::Bitmap::FromResource(GetModuleHandleW(nullptr), L"ABOUT_GLYPH");
    int dark = 0, light = 0;
    for (int y = 0; y < source.Height(); ++y)
        for (int x = 0; x < source.Width() / 2; ++x) {
            dark += source.Pixel(x, y) == RGB(0, 0x80, 0);
            light += source.Pixel(x, y) == RGB(0, 0xFF, 0);
        }
    TfsBitBtn& about = *main_->AboutBtn;
    const int zoom = scale_.FitFactor(16, 16, about.ClientWidth() - 6 * line, about.ClientHeight() - 6 * line);
    EXPECT_EQ(dark * zoom * zoom, PixelsOf(about, RGB(0, 0x80, 0)));
    EXPECT_EQ(light * zoom * zoom, PixelsOf(about, RGB(0, 0xFF, 0)));
}

// Moved to a monitor of another density, the window takes it at the place
// the system suggests; moved back, it is exactly as before.
TEST_F(Dpi, WindowFollowsAChangeOfDensity) {
    RECT before;
    GetWindowRect(main_->Handle(), &before);
    const int other = scale_.Dpi() * 3 / 2;
    RECT suggested{40, 30, 40 + (before.right - before.left) * 3 / 2, 30 + (before.bottom - before.top) * 3 / 2};
    SendMessageW(main_->Handle(), tk::kWmDpiChanged, MAKEWPARAM(other, other), reinterpret_cast<LPARAM>(&suggested));
    ExpectLayout(*main_, TMainFrm::Layout(), tk::Scale(other));
    RECT now;
    GetWindowRect(main_->Handle(), &now);
    EXPECT_EQ(40, now.left);
    EXPECT_EQ(30, now.top);
    EXPECT_EQ(tk::SystemMetricForDpi(SM_CXVSCROLL, other) - tk::Scale(other).Whole(),
              main_->InputEdit->Button().Width());

    SendMessageW(main_->Handle(), tk::kWmDpiChanged, MAKEWPARAM(scale_.Dpi(), scale_.Dpi()),
                 reinterpret_cast<LPARAM>(&before));
    ExpectLayout(*main_, TMainFrm::Layout(), scale_);
    GetWindowRect(main_->Handle(), &now);
    EXPECT_TRUE(EqualRect(&before, &now));
}

}  // namespace
