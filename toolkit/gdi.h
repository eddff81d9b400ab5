// Ownership of GDI objects and device contexts.  Every object the toolkit
// and the controls take for drawing lives in one of these, so it is given
// back on every path out of a drawing routine, exceptions included.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

#include <windows.h>

namespace tk {

// What the toolkit raises.  The message is UTF-8.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raises Error naming `what` and the system's last error when `ok` is false.
void Check(bool ok, const char* what);

// A call of `module` that older systems lack: null where it is missing.
template <class F>
void FindCall(HMODULE module, const char* name, F& out) {
    out = module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// A colour: 0x00BBGGRR, or a system colour (high bit set, the low byte a
// COLOR_ index) that is looked up when it is drawn.
using Color = std::uint32_t;

constexpr Color SystemColor(int index) { return 0x80000000u | static_cast<std::uint32_t>(index); }
constexpr bool IsSystemColor(Color c) { return (c & 0x80000000u) != 0; }
inline constexpr Color clNone = 0x1FFFFFFFu;
inline constexpr Color clBtnFace = SystemColor(COLOR_BTNFACE);
inline constexpr Color clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
inline constexpr Color clBtnShadow = SystemColor(COLOR_BTNSHADOW);
inline constexpr Color clWindow = SystemColor(COLOR_WINDOW);
inline constexpr Color clWindowText = SystemColor(COLOR_WINDOWTEXT);
inline constexpr Color clBtnText = SystemColor(COLOR_BTNTEXT);

// The RGB value to draw with (system colours resolved now).
COLORREF ToRgb(Color c);

// Sole owner of one GDI object (brush, pen, font, bitmap, region).
template <class H>
class GdiObject {
public:
    GdiObject() noexcept = default;
    explicit GdiObject(H h) noexcept : h_(h) {}
    GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    GdiObject& operator=(GdiObject&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() { Reset(); }

    H Get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != nullptr; }
    void Reset(H h = nullptr) noexcept {
        if (h_) DeleteObject(h_);
        h_ = h;
    }

private:
    H h_ = nullptr;
};

using BrushHandle = GdiObject<HBRUSH>;
using FontHandle = GdiObject<HFONT>;
using BitmapHandle = GdiObject<HBITMAP>;
using PenHandle = GdiObject<HPEN>;

class SolidBrush : public BrushHandle {
public:
    explicit SolidBrush(COLORREF rgb);
};

// A device context taken from a window and released on destruction.
class WindowDC {
public:
    // The whole window, non-client area included (GetWindowDC).
    explicit WindowDC(HWND hwnd);
    // GetDCEx with the given flags (for example DCX_WINDOW | DCX_CACHE
    // | DCX_CLIPSIBLINGS, to draw over the window's own child windows).
    WindowDC(HWND hwnd, DWORD flags);
    ~WindowDC();
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    operator HDC() const noexcept { return dc_; }

protected:
    // `dc` as the system call `call` gave it for `hwnd` (null: it failed).
    WindowDC(HWND hwnd, HDC dc, const char* call);

private:
    HWND hwnd_;
    HDC dc_;
};

// The client area (GetDC).
class ClientDC : public WindowDC {
public:
    explicit ClientDC(HWND hwnd);
};

// BeginPaint / EndPaint.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd);
    ~PaintDC();
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    operator HDC() const noexcept { return ps_.hdc; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
};

// A memory device context compatible with `like` (the screen when null).
class MemoryDC {
public:
    explicit MemoryDC(HDC like = nullptr);
    ~MemoryDC();
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    operator HDC() const noexcept { return dc_; }

private:
    HDC dc_;
};

// Selects an object into a device context until the end of the scope.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
    ~Selected() {
        if (old_) SelectObject(dc_, old_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Saves the device context's state (colours, modes, origin) for the scope.
class SavedDC {
public:
    explicit SavedDC(HDC dc) noexcept : dc_(dc), id_(SaveDC(dc)) {}
    ~SavedDC() {
        if (id_) RestoreDC(dc_, id_);
    }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

private:
    HDC dc_;
    int id_;
};

// The screen's colour depth in bits per pixel.
int ScreenBitsPerPixel();

}  // namespace tk
