// The colour of the innermost ring of the flat edits, as a pure function of
// the display: portable, so it is checked on every platform.
#pragma once

#include <cstdint>

// Colours are 0x00BBGGRR.  On a display of 8 bits per pixel or less the
// window colour; deeper, the scroll-bar colour lightened by 0x18 in each of
// red, green and blue.  A channel above 0xE7 stops at 0xFF instead of
// carrying into its neighbour (which would give a different colour, or for
// blue a value that is no colour at all).
constexpr std::uint32_t FlatFrameColorFor(int bitsPerPixel, std::uint32_t windowColor,
                                          std::uint32_t scrollBarColor) {
    if (bitsPerPixel <= 8) return windowColor;
    std::uint32_t result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        std::uint32_t channel = ((scrollBarColor >> shift) & 0xFF) + 0x18;
        if (channel > 0xFF) channel = 0xFF;
        result |= channel << shift;
    }
    return result;
}
