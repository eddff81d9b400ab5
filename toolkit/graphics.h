// Fonts, bitmaps and image lists: the drawing resources the controls own.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "toolkit/dpi.h"
#include "toolkit/gdi.h"

namespace tk {

enum FontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// Font attributes plus the system font made from them on demand.
class Font {
public:
    Font();
    Font(const Font& other);
    Font& operator=(const Font& other);

    const std::wstring& Name() const noexcept { return name_; }
    int Height() const noexcept { return height_; }  // negative: character height in pixels
    unsigned Style() const noexcept { return style_; }
    Color TextColor() const noexcept { return color_; }
    void SetName(std::wstring name);
    void SetHeight(int height);
    void SetStyle(unsigned style);
    void SetColor(Color color);

    // Takes all attributes of `other`; fires OnChange when any differed.
    void Assign(const Font& other);
    bool SameAttributes(const Font& other) const noexcept;

    // The system font, created when first asked for after a change, its
    // height scaled to the density the font is drawn at.
    HFONT Handle() const;
    // Where the font is drawn, not one of its attributes: copies take it,
    // Assign leaves it.  A change drops the system font without OnChange;
    // true when it changed.
    int Dpi() const noexcept { return dpi_; }
    bool SetDpi(int dpi);

    std::function<void()> OnChange;

private:
    void Changed();

    std::wstring name_ = L"MS Sans Serif";
    int height_ = -11;
    unsigned style_ = 0;
    Color color_ = clWindowText;
    int dpi_ = kDesignDpi;
    mutable FontHandle handle_;
};

// A 32-bit top-down device-independent bitmap with direct pixel access.
class Bitmap {
public:
    enum class Transparency { Auto, Fixed };

    Bitmap() = default;
    Bitmap(int width, int height, COLORREF fill = 0);
    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);
    Bitmap(Bitmap&&) noexcept = default;
    Bitmap& operator=(Bitmap&&) noexcept = default;

    // Raises Error "Resource NAME not found" when the module lacks it.
    static Bitmap FromResource(HINSTANCE module, const wchar_t* name);
    // Takes the pixels of any bitmap handle (the handle stays the caller's).
    static Bitmap FromHandle(HBITMAP source);

    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    bool Empty() const noexcept { return width_ <= 0 || height_ <= 0; }
    HBITMAP Handle() const noexcept { return handle_.Get(); }

    COLORREF Pixel(int x, int y) const;
    void SetPixel(int x, int y, COLORREF rgb);

    // The colour treated as see-through: the lower-left pixel unless fixed.
    COLORREF TransparentColor() const;
    Transparency TransparentMode() const noexcept { return mode_; }
    void SetTransparentColor(COLORREF rgb);  // fixes it
    void SetTransparentAuto();

    // Copies the whole of `other`, fires OnChange.
    void Assign(const Bitmap& other);
    void Clear();

    // Copies a rectangle of this bitmap into a new one.
    Bitmap Slice(int x, int y, int width, int height) const;
    void Draw(HDC dc, int x, int y) const;

    std::function<void()> OnChange;
    void Changed();

private:
    void Allocate(int width, int height);
    std::uint32_t* Row(int y) const { return bits_ + static_cast<size_t>(y) * static_cast<size_t>(width_); }

    BitmapHandle handle_;
    std::uint32_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    Transparency mode_ = Transparency::Auto;
    COLORREF fixed_ = 0;
};

// A 1-bit mask of `image`: set where the pixel equals `transparent`.
BitmapHandle MakeMask(const Bitmap& image, COLORREF transparent);

// An image list of one image size (comctl32), images stored with a mask.
class ImageList {
public:
    ImageList(int width, int height);
    ~ImageList();
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;

    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    int Count() const;

    // Adds or replaces one image, its pixels of `transparent` masked out.
    int AddMasked(const Bitmap& image, COLORREF transparent);
    void ReplaceMasked(int index, const Bitmap& image, COLORREF transparent);
    // Draws with `background` behind the masked pixels, or transparently
    // when it is CLR_NONE.
    void Draw(int index, HDC dc, int x, int y, COLORREF background) const;

private:
    HIMAGELIST list_;
    int width_;
    int height_;
};

// Text as disabled controls show it: in the highlight colour `offset`
// pixels right and down (one line), then in the shadow colour in place.
void DrawEmbossedText(HDC dc, const std::wstring& text, RECT bounds, UINT flags, int offset = 1);

// Pixel art at a density: each pixel a square of `factor` pixels.
Bitmap Zoomed(const Bitmap& image, int factor);
// An icon of the program's resources at `size` pixels: the image of the
// icon group that, grown by a whole factor, fills most of that square,
// centred on a transparent ground (pictures are never resampled).
HICON PixelArtIcon(HINSTANCE module, const wchar_t* name, int size);

// A ring `width` pixels wide along the inside of `bounds`.
void FrameRing(HDC dc, const RECT& bounds, HBRUSH brush, int width);
// DrawEdge of one line (a single BDR_ value), `width` pixels thick; with
// BF_ADJUST `bounds` becomes what is inside it.
void DrawEdgeWide(HDC dc, RECT& bounds, UINT edge, UINT flags, int width);

}  // namespace tk
