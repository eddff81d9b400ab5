// Screens of any pixel density.  Every position, size and font height of a
// stored layout is in pixels at 96 dots per inch; a Scale turns them into
// the pixels of a window at its own density, and gives the whole factor
// that lines and pixel-art pictures grow by.  The system's per-window DPI
// calls are taken where the system has them (Windows 10 and later); older
// systems have one density for every window, the screen's.
#pragma once

#include <windows.h>

namespace tk {

inline constexpr int kDesignDpi = 96;

// Messages of Windows 8.1 and 10 that the headers for older targets leave out.
inline constexpr UINT kWmDpiChanged = 0x02E0;        // WM_DPICHANGED
inline constexpr UINT kWmGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE

// The density of the primary screen (and of every window on systems
// without per-monitor densities).
int SystemDpi();
// The density of `window`: GetDpiForWindow where it exists.
int WindowDpi(HWND window);
// A system metric at `dpi` (GetSystemMetricsForDpi, else scaled from the
// system's own).
int SystemMetricForDpi(int index, int dpi);
// The window rectangle for a client rectangle at `dpi`.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);

class Scale {
public:
    constexpr Scale() noexcept = default;
    constexpr explicit Scale(int dpi) noexcept : dpi_(dpi > 0 ? dpi : kDesignDpi) {}

    constexpr int Dpi() const noexcept { return dpi_; }
    constexpr bool IsDesign() const noexcept { return dpi_ == kDesignDpi; }
    // Design pixels at this density, rounded half away from zero.
    constexpr int operator()(int design) const noexcept {
        const long long n = static_cast<long long>(design) * dpi_;
        return static_cast<int>(n >= 0 ? (n + kDesignDpi / 2) / kDesignDpi : -((-n + kDesignDpi / 2) / kDesignDpi));
    }
    RECT operator()(const RECT& design) const noexcept {
        return {(*this)(design.left), (*this)(design.top), (*this)(design.right), (*this)(design.bottom)};
    }
    // The width of a one-pixel line, and the whole factor pictures grow
    // by: the density's ratio to 96 rounded (1 up to 143 DPI, 2 from 144).
    constexpr int Whole() const noexcept {
        const int whole = (dpi_ + kDesignDpi / 2) / kDesignDpi;
        return whole > 1 ? whole : 1;
    }
    // The largest whole factor, at most Whole(), at which a picture of
    // `size` fits into `room` (1 when none does).
    constexpr int FitFactor(int width, int height, int roomWidth, int roomHeight) const noexcept {
        int k = Whole();
        while (k > 1 && (width * k > roomWidth || height * k > roomHeight)) --k;
        return k;
    }

private:
    int dpi_ = kDesignDpi;
};

}  // namespace tk
