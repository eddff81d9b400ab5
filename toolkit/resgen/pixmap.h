// Small pictures kept as text (a palette of characters and rows of them),
// written out as the 16-colour bitmaps and icons that resource files link.
// Standard C++ only: the generator runs at build time on any host.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace resgen {

class PixmapError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The sixteen colours of 4-bit pictures, as 0x00RRGGBB, in palette order.
extern const std::uint32_t kPalette16[16];

// A parsed picture.  The text:
//   # comments and blank lines are ignored
//   size WIDTH HEIGHT
//   colour CHAR RRGGBB          (one of the sixteen colours)
//   colour CHAR transparent     (icons only: see-through)
//   pixels
//   WIDTH characters per row, HEIGHT rows
struct Pixmap {
    int width = 0;
    int height = 0;
    // Palette index per pixel, top row first; -1 for transparent.
    std::vector<int> pixels;
    int At(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
};

// Raises PixmapError with the line number of what is wrong.
Pixmap ParsePixmap(std::string_view text);

// A 4-bit .bmp file (file header, info header, the sixteen colours, rows
// bottom-up).  Transparent pixels are not allowed in bitmaps.
std::vector<std::uint8_t> WriteBmp(const Pixmap& image);

// An .ico file holding the images in order (4-bit colour with a 1-bit
// mask from the transparent pixels).
std::vector<std::uint8_t> WriteIco(const std::vector<Pixmap>& images);

}  // namespace resgen
