#include <gtest/gtest.h>

#include "controls/flat_frame_color.h"

namespace {

constexpr std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) { return r | (g << 8) | (b << 16); }

TEST(FlatFrameColor, PaletteDisplaysUseTheWindowColour) {
    for (int bits : {1, 4, 8}) EXPECT_EQ(FlatFrameColorFor(bits, Rgb(1, 2, 3), Rgb(0xD4, 0xD0, 0xC8)), Rgb(1, 2, 3));
}

TEST(FlatFrameColor, DeeperDisplaysLightenTheScrollBarColour) {
    for (int bits : {15, 16, 24, 32})
        EXPECT_EQ(FlatFrameColorFor(bits, 0xFFFFFF, Rgb(0xD4, 0xD0, 0xC8)), Rgb(0xEC, 0xE8, 0xE0)) << bits;
    EXPECT_EQ(FlatFrameColorFor(32, 0, 0), 0x181818u);
    EXPECT_EQ(FlatFrameColorFor(32, 0, Rgb(0xE7, 0xE7, 0xE7)), 0xFFFFFFu);
}

TEST(FlatFrameColor, LightChannelsStopAtWhiteWithoutCarrying) {
    EXPECT_EQ(FlatFrameColorFor(32, 0, 0xFFFFFF), 0xFFFFFFu);
    EXPECT_EQ(FlatFrameColorFor(32, 0, Rgb(0xF0, 0x10, 0xE8)), Rgb(0xFF, 0x28, 0xFF));
    static_assert(FlatFrameColorFor(24, 0, Rgb(0x10, 0xFF, 0x10)) == Rgb(0x28, 0xFF, 0x28));
}

}  // namespace
