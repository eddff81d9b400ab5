// The glyph images of the flat speed buttons: each glyph set cuts its
// bitmap into one image per state, builds an image the first time a state
// is drawn, and keeps it in an image list shared by every glyph set of the
// same image size.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "toolkit/buttons.h"
#include "toolkit/graphics.h"

// An image list of one size with a bit map of the slots in use: a new
// image takes the lowest free slot.
class TGlyphList : public tk::ImageList {
public:
    TGlyphList(int width, int height) : ImageList(width, height) {}

    int AddMasked(const tk::Bitmap& image, COLORREF mask);
    // Frees a slot; one that is not in use is left alone.
    void Delete(int index);
    // Slots in use.
    int Count() const noexcept { return count_; }
    bool InUse(int index) const noexcept;

private:
    std::vector<bool> used_;
    int count_ = 0;
};

// The glyph lists of the program.
class TGlyphCache {
public:
    // The last-added list of that size, or a new one.
    TGlyphList& GetList(int width, int height);
    // A list handed back; freed when it has no slot in use.
    void ReturnList(TGlyphList* list);
    bool Empty() const noexcept { return lists_.empty(); }
    std::size_t ListCount() const noexcept { return lists_.size(); }

private:
    std::vector<std::unique_ptr<TGlyphList>> lists_;
};

// The one cache: made with the first glyph set (or on first need) and
// freed when a glyph set goes and no list is left.  Null while there is none.
TGlyphCache* GlyphCache() noexcept;

class TButtonGlyph {
public:
    TButtonGlyph();
    ~TButtonGlyph();
    TButtonGlyph(const TButtonGlyph&) = delete;
    TButtonGlyph& operator=(const TButtonGlyph&) = delete;

    const tk::Bitmap& Glyph() const noexcept { return original_; }
    // Copies `glyph` (null: none) and takes NumGlyphs from its shape.
    void SetGlyph(const tk::Bitmap* glyph);
    int NumGlyphs() const noexcept { return numGlyphs_; }
    void SetNumGlyphs(int n);
    // Every image grown by a whole factor (pixel art at a density); a new
    // factor drops the built images.
    int Zoom() const noexcept { return zoom_; }
    void SetZoom(int zoom);
    // One image's size, zoomed.
    SIZE ImageSize() const;

    // Draws the image of `state` (built now if it is the first time),
    // transparently or with button face behind its see-through pixels.
    void Draw(HDC dc, POINT at, tk::ButtonState state, bool transparent);

    // The slot of a state's image, -1 while none is built (down shares the
    // up image below three images).
    int ImageIndex(tk::ButtonState state) const noexcept;
    const TGlyphList* List() const noexcept { return list_; }

    // Fired after the source bitmap changed.
    std::function<void()> OnChange;

private:
    void Invalidate();
    void GlyphChanged();
    int CreateButtonGlyph(tk::ButtonState state);
    tk::ButtonState Stored(tk::ButtonState state) const noexcept;

    tk::Bitmap original_;
    int numGlyphs_ = 1;
    int zoom_ = 1;
    int indexes_[4] = {-1, -1, -1, -1};
    TGlyphList* list_ = nullptr;
};
