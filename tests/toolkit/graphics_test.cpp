#include <gtest/gtest.h>

#include "tests/toolkit/gui_support.h"
#include "toolkit/buttons.h"
#include "toolkit/graphics.h"

namespace {

constexpr COLORREF kOlive = RGB(0x80, 0x80, 0), kRed = RGB(0xFF, 0, 0), kWhite = RGB(0xFF, 0xFF, 0xFF),
                   kGrey = RGB(0x80, 0x80, 0x80);

TEST(Bitmap, TransparentColourIsTheLowerLeftPixelUnlessFixed) {
    tk::Bitmap b(4, 3, kOlive);
    b.SetPixel(0, 2, kRed);
    EXPECT_EQ(b.TransparentColor(), kRed);
    b.SetTransparentColor(kWhite);
    EXPECT_EQ(b.TransparentMode(), tk::Bitmap::Transparency::Fixed);
    EXPECT_EQ(b.TransparentColor(), kWhite);
    const tk::Bitmap copy(b);
    EXPECT_EQ(copy.TransparentColor(), kWhite);
    EXPECT_EQ(copy.Pixel(0, 2), kRed);
    b.SetTransparentAuto();
    EXPECT_EQ(b.TransparentColor(), kRed);
    EXPECT_EQ(b.Pixel(4, 0), CLR_INVALID);
}

TEST(Bitmap, AMissingResourceIsAnError) {
    try {
        tk::Bitmap::FromResource(GetModuleHandleW(nullptr), L"NO_SUCH_BITMAP");
        FAIL();
    } catch (const tk::Error& e) {
        EXPECT_STREQ(e.what(), "Resource NO_SUCH_BITMAP not found");
    }
}

TEST(Bitmap, ChangesAreReported) {
    tk::Bitmap b;
    int changes = 0;
    b.OnChange = [&] { ++changes; };
    b.Assign(tk::Bitmap(2, 2));
    b.SetTransparentColor(0);
    b.Clear();
    EXPECT_EQ(changes, 3);
    EXPECT_TRUE(b.Empty());
}

TEST(ImageList, DrawsMaskedImagesTransparentlyOrOnABackground) {
    tk::Bitmap image(4, 4, kOlive);
    image.SetPixel(1, 1, kRed);
    tk::ImageList list(4, 4);
    const int first = list.AddMasked(image, kOlive);
    const int second = list.AddMasked(image, kRed);
    EXPECT_EQ(list.Count(), 2);
    list.ReplaceMasked(second, image, kOlive);

    tk::Bitmap canvas(8, 4, kWhite);
    {
        tk::MemoryDC dc;
        tk::Selected s(dc, canvas.Handle());
        list.Draw(first, dc, 0, 0, CLR_NONE);
        list.Draw(second, dc, 4, 0, kGrey);
        GdiFlush();
    }
    EXPECT_EQ(canvas.Pixel(1, 1), kRed);
    EXPECT_EQ(canvas.Pixel(0, 0), kWhite);  // transparent
    EXPECT_EQ(canvas.Pixel(5, 1), kRed);
    EXPECT_EQ(canvas.Pixel(4, 0), kGrey);  // the background behind the mask
}

TEST(Font, MakesItsSystemFontAgainAfterAChangeOnly) {
    tk::Font f;
    int changes = 0;
    f.OnChange = [&] { ++changes; };
    const HFONT first = f.Handle();
    EXPECT_EQ(f.Handle(), first);
    f.SetHeight(f.Height());
    EXPECT_EQ(changes, 0);
    f.SetStyle(tk::fsBold);
    EXPECT_EQ(changes, 1);
    LOGFONTW lf{};
    GetObjectW(f.Handle(), sizeof lf, &lf);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfHeight, -11);
    EXPECT_STREQ(lf.lfFaceName, L"MS Sans Serif");
    const std::size_t before = guitest::GdiObjects();
    for (int i = 0; i < 100; ++i) {
        f.SetHeight(-10 - i % 5);
        f.Handle();
    }
    EXPECT_LE(guitest::GdiObjects(), before + 1);
}

TEST(Glyphs, CountComesFromTheBitmapsShape) {
    EXPECT_EQ(tk::GlyphCountOf(32, 8, 1), 4);
    EXPECT_EQ(tk::GlyphCountOf(16, 8, 1), 2);
    EXPECT_EQ(tk::GlyphCountOf(8, 8, 3), 1);
    EXPECT_EQ(tk::GlyphCountOf(40, 8, 2), 1);  // five or more: one image
    EXPECT_EQ(tk::GlyphCountOf(30, 8, 3), 3);  // not a multiple: unchanged
    EXPECT_EQ(tk::GlyphCountOf(0, 8, 2), 2);
}

TEST(Glyphs, EachStateFindsItsImage) {
    using S = tk::ButtonState;
    EXPECT_EQ(tk::GlyphIndexFor(S::Up, 4), 0);
    EXPECT_EQ(tk::GlyphIndexFor(S::Disabled, 4), 1);
    EXPECT_EQ(tk::GlyphIndexFor(S::Down, 4), 2);
    EXPECT_EQ(tk::GlyphIndexFor(S::Exclusive, 4), 3);
    EXPECT_EQ(tk::GlyphIndexFor(S::Down, 2), 0);
    EXPECT_EQ(tk::GlyphIndexFor(S::Exclusive, 3), 0);
    EXPECT_EQ(tk::GlyphIndexFor(S::Disabled, 1), 0);
}

TEST(Glyphs, ASingleImageIsEmbossedWhenDisabled) {
    tk::Bitmap source(4, 4, kOlive);
    source.SetPixel(1, 1, kRed);
    const tk::GlyphImage g = tk::PrepareGlyphImage(source, 1, tk::ButtonState::Disabled);
    EXPECT_EQ(g.image.Pixel(1, 1), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(g.image.Pixel(2, 2), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(g.image.Pixel(0, 0), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(g.mask, GetSysColor(COLOR_BTNFACE));
}

TEST(Glyphs, ImagesAreMaskedByTheirLowerLeftPixelUnlessTheSourceFixesOne) {
    tk::Bitmap source(8, 4, kOlive);
    source.SetPixel(4, 3, kRed);
    EXPECT_EQ(tk::PrepareGlyphImage(source, 2, tk::ButtonState::Up).mask, kOlive);
    source.SetTransparentColor(kWhite);
    EXPECT_EQ(tk::PrepareGlyphImage(source, 2, tk::ButtonState::Up).mask, kWhite);
}

TEST(ButtonLayout, CentresTheGlyphAloneAndTheGroupWithACaption) {
    tk::ClientDC dc(nullptr);
    const RECT room{1, 1, 14, 14};  // 13 x 13
    tk::ButtonLayoutResult r =
        tk::CalcButtonLayout(dc, room, {0, 0}, L"", tk::ButtonLayout::GlyphLeft, -1, 4, {8, 8});
    EXPECT_EQ(r.glyph.x, 4);
    EXPECT_EQ(r.glyph.y, 4);
    r = tk::CalcButtonLayout(dc, room, {1, 1}, L"", tk::ButtonLayout::GlyphLeft, -1, 4, {8, 8});
    EXPECT_EQ(r.glyph.x, 5);

    const RECT wide{0, 0, 200, 25};
    r = tk::CalcButtonLayout(dc, wide, {0, 0}, L"Caption", tk::ButtonLayout::GlyphLeft, -1, 4, {16, 16});
    const int text = r.text.right - r.text.left;
    EXPECT_EQ(r.text.left, r.glyph.x + 16 + 4);
    EXPECT_EQ(r.glyph.x, (200 - (16 + 4 + text) + 1) / 2);
}

}  // namespace
