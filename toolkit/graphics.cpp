#include "toolkit/graphics.h"

#include <algorithm>
#include <cstring>

#include "toolkit/property.h"
#include "toolkit/text.h"

namespace tk {

// --- Font -----------------------------------------------------------------

Font::Font() = default;

Font::Font(const Font& other)
    : name_(other.name_), height_(other.height_), style_(other.style_), color_(other.color_), dpi_(other.dpi_) {}

bool Font::SetDpi(int dpi) {
    if (dpi == dpi_) return false;
    dpi_ = dpi;
    handle_.Reset();
    return true;
}

Font& Font::operator=(const Font& other) {
    Assign(other);
    return *this;
}

void Font::SetName(std::wstring name) {
    if (Change(name_, std::move(name))) Changed();
}

void Font::SetHeight(int height) {
    if (Change(height_, height)) Changed();
}

void Font::SetStyle(unsigned style) {
    if (Change(style_, style)) Changed();
}

void Font::SetColor(Color color) {
    if (Change(color_, color)) Changed();
}

bool Font::SameAttributes(const Font& other) const noexcept {
    return name_ == other.name_ && height_ == other.height_ && style_ == other.style_ && color_ == other.color_;
}

void Font::Assign(const Font& other) {
    if (this == &other || SameAttributes(other)) return;
    name_ = other.name_;
    height_ = other.height_;
    style_ = other.style_;
    color_ = other.color_;
    Changed();
}

void Font::Changed() {
    handle_.Reset();
    if (OnChange) OnChange();
}

HFONT Font::Handle() const {
    if (!handle_) {
        LOGFONTW lf{};
        lf.lfHeight = Scale(dpi_)(height_);
        lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (style_ & fsItalic) ? TRUE : FALSE;
        lf.lfUnderline = (style_ & fsUnderline) ? TRUE : FALSE;
        lf.lfStrikeOut = (style_ & fsStrikeOut) ? TRUE : FALSE;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        lf.lfQuality = DEFAULT_QUALITY;
        lf.lfPitchAndFamily = DEFAULT_PITCH;
        name_.copy(lf.lfFaceName, LF_FACESIZE - 1);
        handle_.Reset(CreateFontIndirectW(&lf));
        Check(static_cast<bool>(handle_), "CreateFontIndirect");
    }
    return handle_.Get();
}

// --- Bitmap ---------------------------------------------------------------

namespace {

// DIB pixels are 0xAARRGGBB; COLORREF is 0x00BBGGRR.
constexpr std::uint32_t ToPixel(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr COLORREF FromPixel(std::uint32_t p) {
    return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}

}  // namespace

void Bitmap::Allocate(int width, int height) {
    handle_.Reset();
    bits_ = nullptr;
    width_ = height_ = 0;
    if (width <= 0 || height <= 0) return;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    handle_.Reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    Check(static_cast<bool>(handle_), "CreateDIBSection");
    bits_ = static_cast<std::uint32_t*>(bits);
    width_ = width;
    height_ = height;
}

Bitmap::Bitmap(int width, int height, COLORREF fill) {
    Allocate(width, height);
    if (bits_) std::fill_n(bits_, static_cast<size_t>(width) * static_cast<size_t>(height), ToPixel(fill));
}

Bitmap::Bitmap(const Bitmap& other) : mode_(other.mode_), fixed_(other.fixed_) {
    Allocate(other.width_, other.height_);
    if (bits_) std::memcpy(bits_, other.bits_, static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
}

Bitmap& Bitmap::operator=(const Bitmap& other) {
    Assign(other);
    return *this;
}

void Bitmap::Assign(const Bitmap& other) {
    if (this != &other) {
        GdiFlush();
        Allocate(other.width_, other.height_);
        if (bits_) std::memcpy(bits_, other.bits_, static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
        mode_ = other.mode_;
        fixed_ = other.fixed_;
    }
    Changed();
}

void Bitmap::Clear() {
    Allocate(0, 0);
    Changed();
}

void Bitmap::Changed() {
    if (OnChange) OnChange();
}

Bitmap Bitmap::FromHandle(HBITMAP source) {
    BITMAP info{};
    Check(GetObjectW(source, sizeof info, &info) != 0, "GetObject(bitmap)");
    Bitmap result(static_cast<int>(info.bmWidth), static_cast<int>(info.bmHeight));
    if (result.Empty()) return result;
    MemoryDC from, to;
    Selected s1(from, source);
    Selected s2(to, result.Handle());
    Check(BitBlt(to, 0, 0, result.width_, result.height_, from, 0, 0, SRCCOPY) != 0, "BitBlt");
    GdiFlush();
    return result;
}

Bitmap Bitmap::FromResource(HINSTANCE module, const wchar_t* name) {
    HANDLE loaded = LoadImageW(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (!loaded) {
        const std::string id = IS_INTRESOURCE(name) ? std::to_string(reinterpret_cast<std::uintptr_t>(name))
                                                    : Narrow(name);
        throw Error("Resource " + id + " not found");
    }
    BitmapHandle owned(static_cast<HBITMAP>(loaded));
    return FromHandle(owned.Get());
}

COLORREF Bitmap::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    GdiFlush();
    return FromPixel(Row(y)[x]);
}

void Bitmap::SetPixel(int x, int y, COLORREF rgb) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    GdiFlush();
    Row(y)[x] = ToPixel(rgb);
}

COLORREF Bitmap::TransparentColor() const {
    if (mode_ == Transparency::Fixed) return fixed_;
    return Empty() ? 0 : Pixel(0, height_ - 1);
}

void Bitmap::SetTransparentColor(COLORREF rgb) {
    mode_ = Transparency::Fixed;
    fixed_ = rgb & 0x00FFFFFF;
    Changed();
}

void Bitmap::SetTransparentAuto() {
    mode_ = Transparency::Auto;
    Changed();
}

Bitmap Bitmap::Slice(int x, int y, int width, int height) const {
    Bitmap out(width, height);
    GdiFlush();
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col) {
            const int sx = x + col, sy = y + row;
            if (sx >= 0 && sy >= 0 && sx < width_ && sy < height_) out.Row(row)[col] = Row(sy)[sx];
        }
    return out;
}

void Bitmap::Draw(HDC dc, int x, int y) const {
    if (Empty()) return;
    MemoryDC mem(dc);
    Selected s(mem, Handle());
    BitBlt(dc, x, y, width_, height_, mem, 0, 0, SRCCOPY);
}

BitmapHandle MakeMask(const Bitmap& image, COLORREF transparent) {
    const int w = image.Width(), h = image.Height();
    BitmapHandle mask(CreateBitmap(w, h, 1, 1, nullptr));
    Check(static_cast<bool>(mask), "CreateBitmap(mask)");
    MemoryDC from, to;
    Selected s1(from, image.Handle());
    Selected s2(to, mask.Get());
    // Colour to monochrome: pixels of the background colour become 1.
    SetBkColor(from, transparent & 0x00FFFFFF);
    BitBlt(to, 0, 0, w, h, from, 0, 0, SRCCOPY);
    return mask;
}

// --- ImageList ------------------------------------------------------------

ImageList::ImageList(int width, int height)
    : list_(ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 4, 4)), width_(width), height_(height) {
    Check(list_ != nullptr, "ImageList_Create");
}

ImageList::~ImageList() { ImageList_Destroy(list_); }

int ImageList::Count() const { return ImageList_GetImageCount(list_); }

namespace {

// The image with its masked pixels black, as the list's transparent drawing
// (mask AND, then image OR) expects.
Bitmap Blackened(const Bitmap& image, COLORREF transparent) {
    Bitmap copy(image);
    const COLORREF key = transparent & 0x00FFFFFF;
    for (int y = 0; y < copy.Height(); ++y)
        for (int x = 0; x < copy.Width(); ++x)
            if (copy.Pixel(x, y) == key) copy.SetPixel(x, y, 0);
    return copy;
}

}  // namespace

int ImageList::AddMasked(const Bitmap& image, COLORREF transparent) {
    BitmapHandle mask = MakeMask(image, transparent);
    Bitmap pixels = Blackened(image, transparent);
    const int index = ImageList_Add(list_, pixels.Handle(), mask.Get());
    Check(index >= 0, "ImageList_Add");
    return index;
}

void ImageList::ReplaceMasked(int index, const Bitmap& image, COLORREF transparent) {
    BitmapHandle mask = MakeMask(image, transparent);
    Bitmap pixels = Blackened(image, transparent);
    Check(ImageList_Replace(list_, index, pixels.Handle(), mask.Get()) != 0, "ImageList_Replace");
}

void ImageList::Draw(int index, HDC dc, int x, int y, COLORREF background) const {
    const UINT style = background == CLR_NONE ? ILD_TRANSPARENT : ILD_NORMAL;
    ImageList_DrawEx(list_, index, dc, x, y, 0, 0, background, CLR_DEFAULT, style);
}

void DrawEmbossedText(HDC dc, const std::wstring& text, RECT bounds, UINT flags, int offset) {
    const int n = static_cast<int>(text.size());
    RECT shifted = bounds;
    OffsetRect(&shifted, offset, offset);
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextW(dc, text.c_str(), n, &shifted, flags);
    SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
    DrawTextW(dc, text.c_str(), n, &bounds, flags);
}

Bitmap Zoomed(const Bitmap& image, int factor) {
    if (factor <= 1 || image.Empty()) return image;
    Bitmap out(image.Width() * factor, image.Height() * factor);
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x) out.SetPixel(x, y, image.Pixel(x / factor, y / factor));
    out.SetTransparentAuto();
    return out;
}

namespace {

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct IconGroup {
    WORD reserved, type, count;
    IconGroupEntry entries[1];
};
#pragma pack(pop)

// The square sizes the icon group holds.
std::vector<int> IconSizes(HINSTANCE module, const wchar_t* name) {
    std::vector<int> sizes;
    HRSRC found = FindResourceW(module, name, MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    const auto* group = found ? static_cast<const IconGroup*>(LockResource(LoadResource(module, found))) : nullptr;
    if (!group) return sizes;
    for (WORD i = 0; i < group->count; ++i) sizes.push_back(group->entries[i].width ? group->entries[i].width : 256);
    return sizes;
}

}  // namespace

HICON PixelArtIcon(HINSTANCE module, const wchar_t* name, int size) {
    int source = 0, factor = 1;
    for (int s : IconSizes(module, name))
        for (int k = 1; s * k <= size; ++k)
            if (s * k > source * factor || (s * k == source * factor && s > source)) source = s, factor = k;
    if (source == 0) return static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, size, size, 0));
    HICON original = static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, source, source, 0));
    if (!original || (factor == 1 && source == size)) return original;
    ICONINFO info{};
    GetIconInfo(original, &info);
    BitmapHandle colour(info.hbmColor), mask(info.hbmMask);
    DestroyIcon(original);
    if (!colour || !mask) return nullptr;
    // Colour on black and a mask that is set (see-through) everywhere the
    // picture does not cover.
    const Bitmap pixels = Zoomed(Bitmap::FromHandle(colour.Get()), factor);
    const Bitmap shape = Zoomed(Bitmap::FromHandle(mask.Get()), factor);
    const int offset = (size - source * factor) / 2;
    Bitmap canvasColour(size, size, 0), canvasMask(size, size, RGB(0xFF, 0xFF, 0xFF));
    for (int y = 0; y < pixels.Height(); ++y)
        for (int x = 0; x < pixels.Width(); ++x) {
            canvasColour.SetPixel(offset + x, offset + y, pixels.Pixel(x, y));
            canvasMask.SetPixel(offset + x, offset + y, shape.Pixel(x, y));
        }
    BitmapHandle monoMask = MakeMask(canvasMask, RGB(0xFF, 0xFF, 0xFF));
    ICONINFO made{TRUE, 0, 0, monoMask.Get(), canvasColour.Handle()};
    return CreateIconIndirect(&made);
}

void FrameRing(HDC dc, const RECT& bounds, HBRUSH brush, int width) {
    RECT r = bounds;
    for (int i = 0; i < width; ++i) {
        FrameRect(dc, &r, brush);
        InflateRect(&r, -1, -1);
    }
}

void DrawEdgeWide(HDC dc, RECT& bounds, UINT edge, UINT flags, int width) {
    RECT r = bounds;
    for (int i = 0; i < width; ++i) {
        DrawEdge(dc, &r, edge, flags & ~static_cast<UINT>(BF_ADJUST));
        if (flags & BF_LEFT) ++r.left;
        if (flags & BF_TOP) ++r.top;
        if (flags & BF_RIGHT) --r.right;
        if (flags & BF_BOTTOM) --r.bottom;
    }
    if (flags & BF_ADJUST) bounds = r;
}

}  // namespace tk
