#include "controls/glyphs.h"

#include <algorithm>

namespace {
TGlyphCache* g_cache = nullptr;
}  // namespace

TGlyphCache* GlyphCache() noexcept { return g_cache; }

// --- TGlyphList -----------------------------------------------------------

bool TGlyphList::InUse(int index) const noexcept {
    return index >= 0 && static_cast<size_t>(index) < used_.size() && used_[static_cast<size_t>(index)];
}

int TGlyphList::AddMasked(const tk::Bitmap& image, COLORREF mask) {
    auto free = std::find(used_.begin(), used_.end(), false);
    int index;
    if (free == used_.end()) {
        index = ImageList::AddMasked(image, mask);
        used_.resize(static_cast<size_t>(index) + 1, false);
    } else {
        index = static_cast<int>(free - used_.begin());
        ReplaceMasked(index, image, mask);
    }
    used_[static_cast<size_t>(index)] = true;
    ++count_;
    return index;
}

void TGlyphList::Delete(int index) {
    if (!InUse(index)) return;
    used_[static_cast<size_t>(index)] = false;
    --count_;
}

// --- TGlyphCache ----------------------------------------------------------

TGlyphList& TGlyphCache::GetList(int width, int height) {
    for (auto it = lists_.rbegin(); it != lists_.rend(); ++it)
        if ((*it)->Width() == width && (*it)->Height() == height) return **it;
    lists_.push_back(std::make_unique<TGlyphList>(width, height));
    return *lists_.back();
}

void TGlyphCache::ReturnList(TGlyphList* list) {
    if (!list || list->Count() != 0) return;
    std::erase_if(lists_, [&](const auto& p) { return p.get() == list; });
}

// --- TButtonGlyph ---------------------------------------------------------

TButtonGlyph::TButtonGlyph() {
    if (!g_cache) g_cache = new TGlyphCache;
    original_.OnChange = [this] { GlyphChanged(); };
}

TButtonGlyph::~TButtonGlyph() {
    Invalidate();
    if (g_cache && g_cache->Empty()) {
        delete g_cache;
        g_cache = nullptr;
    }
}

void TButtonGlyph::Invalidate() {
    for (int& index : indexes_) {
        if (index != -1 && list_) list_->Delete(index);
        index = -1;
    }
    if (list_ && g_cache) g_cache->ReturnList(list_);
    list_ = nullptr;
}

void TButtonGlyph::GlyphChanged() {
    Invalidate();
    if (OnChange) OnChange();
}

void TButtonGlyph::SetGlyph(const tk::Bitmap* glyph) {
    Invalidate();
    // Assign reports the change; the count is settled first so that the
    // callback sees it.
    if (glyph && glyph->Height() > 0) numGlyphs_ = tk::GlyphCountOf(glyph->Width(), glyph->Height(), numGlyphs_);
    if (glyph) original_.Assign(*glyph);
    else original_.Clear();
}

void TButtonGlyph::SetNumGlyphs(int n) {
    if (n <= 0 || n == numGlyphs_) return;
    Invalidate();
    numGlyphs_ = n;
    if (OnChange) OnChange();
}

void TButtonGlyph::SetZoom(int zoom) {
    if (zoom < 1 || zoom == zoom_) return;
    Invalidate();
    zoom_ = zoom;
}

SIZE TButtonGlyph::ImageSize() const {
    if (original_.Empty()) return {0, 0};
    return {original_.Width() / numGlyphs_ * zoom_, original_.Height() * zoom_};
}

tk::ButtonState TButtonGlyph::Stored(tk::ButtonState state) const noexcept {
    return state == tk::ButtonState::Down && numGlyphs_ < 3 ? tk::ButtonState::Up : state;
}

int TButtonGlyph::ImageIndex(tk::ButtonState state) const noexcept {
    return indexes_[static_cast<int>(Stored(state))];
}

int TButtonGlyph::CreateButtonGlyph(tk::ButtonState state) {
    state = Stored(state);
    int& index = indexes_[static_cast<int>(state)];
    if (index != -1) return index;
    if (original_.Empty()) return -1;
    const SIZE size = ImageSize();
    if (size.cx <= 0) return -1;
    // The image first: a set holds a list only while an image of its own is
    // in it, since another set can free a list it left empty.
    const tk::GlyphImage image = tk::PrepareGlyphImage(original_, numGlyphs_, state);
    if (!g_cache) g_cache = new TGlyphCache;
    TGlyphList* list = list_ ? list_ : &g_cache->GetList(size.cx, size.cy);
    try {
        index = list->AddMasked(tk::Zoomed(image.image, zoom_), image.mask);
    } catch (...) {
        if (!list_) g_cache->ReturnList(list);
        throw;
    }
    list_ = list;
    return index;
}

void TButtonGlyph::Draw(HDC dc, POINT at, tk::ButtonState state, bool transparent) {
    const int index = CreateButtonGlyph(state);
    if (index < 0) return;
    list_->Draw(index, dc, at.x, at.y, transparent ? CLR_NONE : GetSysColor(COLOR_BTNFACE));
}
