#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "controls/glyphs.h"
#include "tests/toolkit/gui_support.h"

namespace {

constexpr COLORREF kOlive = RGB(0x80, 0x80, 0);

tk::Bitmap Sized(int w, int h) { return tk::Bitmap(w, h, kOlive); }

TEST(EllipsisBitmap, HoldsFourImagesOfThreeDotsOnOlive) {
    const tk::Bitmap b = tk::Bitmap::FromResource(GetModuleHandleW(nullptr), L"BTN_ELLIPSIS");
    ASSERT_EQ(b.Width(), 32);
    ASSERT_EQ(b.Height(), 8);
    EXPECT_EQ(b.TransparentColor(), kOlive);
    const COLORREF dots[4] = {RGB(0, 0, 0), RGB(0x80, 0x80, 0x80), RGB(0, 0, 0x80), RGB(0x80, 0x80, 0x80)};
    for (int image = 0; image < 4; ++image)
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const bool dot = (y == 3 || y == 4) && x % 3 != 2;
                EXPECT_EQ(b.Pixel(image * 8 + x, y), dot ? dots[image] : kOlive) << image << ":" << x << "," << y;
            }
}

TEST(ButtonGlyph, CountsImagesFromTheBitmapsShape) {
    TButtonGlyph g;
    int changes = 0;
    g.OnChange = [&] { ++changes; };
    const tk::Bitmap b32 = Sized(32, 8), b40 = Sized(40, 8), b16 = Sized(16, 8), b30 = Sized(30, 8);
    g.SetGlyph(&b32);
    EXPECT_EQ(g.NumGlyphs(), 4);
    g.SetGlyph(&b40);
    EXPECT_EQ(g.NumGlyphs(), 1);
    g.SetGlyph(&b16);
    EXPECT_EQ(g.NumGlyphs(), 2);
    g.SetGlyph(&b30);
    EXPECT_EQ(g.NumGlyphs(), 2);
    EXPECT_EQ(changes, 4);
    g.SetNumGlyphs(3);
    g.SetNumGlyphs(3);
    g.SetNumGlyphs(0);
    EXPECT_EQ(g.NumGlyphs(), 3);
    EXPECT_EQ(changes, 5);
}

TEST(ButtonGlyph, BuildsAnImageOnFirstUseOnlyAndNoneForAnEmptyBitmap) {
    TButtonGlyph g;
    tk::Bitmap canvas(16, 16);
    tk::MemoryDC dc;
    tk::Selected s(dc, canvas.Handle());
    g.Draw(dc, {0, 0}, tk::ButtonState::Up, false);
    EXPECT_EQ(g.List(), nullptr);
    const tk::Bitmap b = Sized(32, 8);
    g.SetGlyph(&b);
    EXPECT_EQ(g.ImageIndex(tk::ButtonState::Up), -1);
    g.Draw(dc, {0, 0}, tk::ButtonState::Up, false);
    const int up = g.ImageIndex(tk::ButtonState::Up);
    EXPECT_GE(up, 0);
    g.Draw(dc, {0, 0}, tk::ButtonState::Up, false);
    EXPECT_EQ(g.List()->Count(), 1);
    EXPECT_EQ(g.ImageIndex(tk::ButtonState::Up), up);
}

TEST(ButtonGlyph, DownSharesTheUpImageBelowThreeImages) {
    TButtonGlyph g;
    tk::Bitmap canvas(16, 16);
    tk::MemoryDC dc;
    tk::Selected s(dc, canvas.Handle());
    const tk::Bitmap two = Sized(16, 8);
    g.SetGlyph(&two);
    g.Draw(dc, {0, 0}, tk::ButtonState::Up, false);
    g.Draw(dc, {0, 0}, tk::ButtonState::Down, false);
    EXPECT_EQ(g.ImageIndex(tk::ButtonState::Down), g.ImageIndex(tk::ButtonState::Up));
    EXPECT_EQ(g.List()->Count(), 1);
    g.SetGlyph(&two);  // dropping the shared image frees its slot once
    EXPECT_EQ(g.List(), nullptr);
}

// Takes every GDI handle the process may still have, for the scope.
class GdiExhausted {
public:
    GdiExhausted() {
        while (HBITMAP b = CreateBitmap(1, 1, 1, 1, nullptr)) held_.push_back(b);
    }
    ~GdiExhausted() {
        for (HBITMAP b : held_) DeleteObject(b);
    }

private:
    std::vector<HBITMAP> held_;
};

// The list of its size exists already (another set's), and building the
// image fails: the set must not keep that list, which the other set frees.
TEST(ButtonGlyph, AnImageThatCannotBeBuiltLeavesNoListBehind) {
    tk::Bitmap canvas(16, 16);
    tk::MemoryDC dc;
    tk::Selected s(dc, canvas.Handle());
    const tk::Bitmap glyph = Sized(32, 8);
    TButtonGlyph failing, other;
    failing.SetGlyph(&glyph);
    other.SetGlyph(&glyph);
    other.Draw(dc, {0, 0}, tk::ButtonState::Up, false);
    {
        GdiExhausted full;
        EXPECT_THROW(failing.Draw(dc, {0, 0}, tk::ButtonState::Up, false), tk::Error);
    }
    EXPECT_EQ(failing.List(), nullptr);
    EXPECT_EQ(failing.ImageIndex(tk::ButtonState::Up), -1);
    other.SetGlyph(&glyph);  // its image goes, and with it the list
    failing.Draw(dc, {0, 0}, tk::ButtonState::Up, false);
    ASSERT_NE(failing.List(), nullptr);
    EXPECT_EQ(failing.List()->Count(), 1);
}

TEST(GlyphCache, SharesListsBySizeReusesFreedSlotsAndGoesWithTheLastGlyphSet) {
    ASSERT_EQ(GlyphCache(), nullptr);
    auto a = std::make_unique<TButtonGlyph>();
    auto b = std::make_unique<TButtonGlyph>();
    auto c = std::make_unique<TButtonGlyph>();
    ASSERT_NE(GlyphCache(), nullptr);
    tk::Bitmap canvas(16, 16);
    tk::MemoryDC dc;
    tk::Selected s(dc, canvas.Handle());
    const tk::Bitmap eights = Sized(32, 8), sixteens = Sized(32, 16);
    a->SetGlyph(&eights);
    b->SetGlyph(&eights);
    c->SetGlyph(&sixteens);
    a->Draw(dc, {0, 0}, tk::ButtonState::Up, false);
    a->Draw(dc, {0, 0}, tk::ButtonState::Disabled, false);
    b->Draw(dc, {0, 0}, tk::ButtonState::Up, false);
    c->Draw(dc, {0, 0}, tk::ButtonState::Up, true);
    EXPECT_EQ(a->List(), b->List());
    EXPECT_NE(a->List(), c->List());
    EXPECT_EQ(GlyphCache()->ListCount(), 2u);
    EXPECT_EQ(a->ImageIndex(tk::ButtonState::Up), 0);
    EXPECT_EQ(a->ImageIndex(tk::ButtonState::Disabled), 1);
    EXPECT_EQ(b->ImageIndex(tk::ButtonState::Up), 2);

    a->SetGlyph(&eights);  // hands back slots 0 and 1
    EXPECT_EQ(b->List()->Count(), 1);
    b->Draw(dc, {0, 0}, tk::ButtonState::Exclusive, false);
    EXPECT_EQ(b->ImageIndex(tk::ButtonState::Exclusive), 0);  // the lowest free slot

    c.reset();  // its list had only its image
    EXPECT_EQ(GlyphCache()->ListCount(), 1u);
    a.reset();
    EXPECT_NE(GlyphCache(), nullptr);
    b.reset();
    EXPECT_EQ(GlyphCache(), nullptr);
}

TEST(GlyphCache, SettingDrawingAndDroppingGlyphsTakesNoGdiObjects) {
    tk::Bitmap canvas(16, 16);
    tk::MemoryDC dc;
    tk::Selected s(dc, canvas.Handle());
    const tk::Bitmap glyph = Sized(32, 8);
    auto cycle = [&](int times) {
        for (int i = 0; i < times; ++i) {
            TButtonGlyph g;
            g.SetGlyph(&glyph);
            for (auto state : {tk::ButtonState::Up, tk::ButtonState::Disabled, tk::ButtonState::Down})
                g.Draw(dc, {0, 0}, state, i % 2 == 0);
        }
    };
    cycle(2);
    const std::size_t before = guitest::GdiObjects();
    cycle(100);
    EXPECT_EQ(guitest::GdiObjects(), before);
}

}  // namespace
