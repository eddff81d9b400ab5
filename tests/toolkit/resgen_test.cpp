#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "toolkit/resgen/pixmap.h"

namespace {

using resgen::ParsePixmap;
using resgen::PixmapError;

const char* kPicture =
    "# two by three\n"
    "size 3 2\n"
    "colour o 808000\n"
    "colour k 000000\n"
    "colour . transparent\n"
    "pixels\n"
    "ok.\n"
    "kko\n";

std::uint32_t U32(const std::vector<std::uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

TEST(Pixmap, ReadsSizeColoursAndRows) {
    const resgen::Pixmap p = ParsePixmap(kPicture);
    EXPECT_EQ(p.width, 3);
    EXPECT_EQ(p.height, 2);
    EXPECT_EQ(p.At(0, 0), 3);  // olive in the sixteen colours
    EXPECT_EQ(p.At(1, 0), 0);
    EXPECT_EQ(p.At(2, 0), -1);
    EXPECT_EQ(p.At(2, 1), 3);
}

TEST(Pixmap, NamesTheLineOfAMistake) {
    auto error = [](const std::string& text) {
        try {
            ParsePixmap(text);
        } catch (const PixmapError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(error("size 2 1\ncolour a 123456\n"), "line 2: colour 123456 is not one of the sixteen");
    EXPECT_EQ(error("size 2 1\ncolour a 000000\npixels\nab\n"), "line 4: no colour for 'b'");
    EXPECT_EQ(error("size 2 1\ncolour a 000000\npixels\na\n"), "line 4: a row of 1 characters, not 2");
    EXPECT_EQ(error("size 2 2\ncolour a 000000\npixels\naa\n"), "line 4: fewer rows than the size says");
    EXPECT_EQ(error("width 2\n"), "line 1: unknown word 'width'");
}

TEST(Pixmap, WritesA16ColourBitmapBottomUp) {
    std::string opaque = kPicture;
    opaque.replace(opaque.find("ok."), 3, "okk");
    const std::vector<std::uint8_t> bmp = resgen::WriteBmp(ParsePixmap(opaque));
    ASSERT_EQ(bmp.size(), 14u + 40 + 64 + 2 * 4);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(U32(bmp, 2), bmp.size());
    EXPECT_EQ(U32(bmp, 10), 14u + 40 + 64);
    EXPECT_EQ(U32(bmp, 18), 3u);  // width
    EXPECT_EQ(U32(bmp, 22), 2u);  // height, positive: bottom-up
    EXPECT_EQ(bmp[28], 4);        // bits per pixel
    EXPECT_EQ(U32(bmp, 54 + 3 * 4), 0x00808000u);  // palette entry 3: olive as blue, green, red
    const size_t rows = 14 + 40 + 64;
    EXPECT_EQ(bmp[rows + 0], 0x00);  // bottom row "kko": 0, 0 | 3, pad
    EXPECT_EQ(bmp[rows + 1], 0x30);
    EXPECT_EQ(bmp[rows + 4], 0x30);  // top row "okk"
    EXPECT_EQ(bmp[rows + 5], 0x00);
    EXPECT_THROW(resgen::WriteBmp(ParsePixmap(kPicture)), PixmapError);  // a bitmap has no see-through
}

TEST(Pixmap, WritesAnIconWithAMaskOfTheTransparentPixels) {
    const resgen::Pixmap p = ParsePixmap(kPicture);
    const std::vector<std::uint8_t> ico = resgen::WriteIco({p, p});
    EXPECT_EQ(ico[2], 1);  // icon
    EXPECT_EQ(ico[4], 2);  // two images
    EXPECT_EQ(ico[6], 3);  // width of the first
    EXPECT_EQ(ico[7], 2);
    EXPECT_EQ(ico[8], 16);  // colours
    const std::uint32_t size = U32(ico, 6 + 8), offset = U32(ico, 6 + 12);
    EXPECT_EQ(offset, 6u + 2 * 16);
    EXPECT_EQ(U32(ico, 6 + 16 + 12), offset + size);
    EXPECT_EQ(U32(ico, offset + 8), 4u);  // twice the height: colour and mask rows
    const size_t mask = offset + 40 + 64 + 2 * 4;
    EXPECT_EQ(ico[mask + 0], 0x00);  // bottom row: nothing see-through
    EXPECT_EQ(ico[mask + 4], 0x20);  // top row: the third pixel
    EXPECT_EQ(size, 40u + 64 + 8 + 8);
}

}  // namespace
