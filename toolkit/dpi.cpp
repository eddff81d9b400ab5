#include "toolkit/dpi.h"

#include "toolkit/gdi.h"

namespace tk {

namespace {

// The per-window density calls of Windows 10, looked up once: the program
// also runs where they do not exist.
struct DpiCalls {
    UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
    int(WINAPI* getSystemMetricsForDpi)(int, UINT) = nullptr;
    BOOL(WINAPI* adjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;

    DpiCalls() {
        HMODULE user = GetModuleHandleW(L"user32.dll");
        FindCall(user, "GetDpiForWindow", getDpiForWindow);
        FindCall(user, "GetSystemMetricsForDpi", getSystemMetricsForDpi);
        FindCall(user, "AdjustWindowRectExForDpi", adjustWindowRectExForDpi);
    }
};

const DpiCalls& Calls() {
    static const DpiCalls calls;
    return calls;
}

}  // namespace

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : kDesignDpi;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

int WindowDpi(HWND window) {
    if (window && Calls().getDpiForWindow)
        if (const UINT dpi = Calls().getDpiForWindow(window)) return static_cast<int>(dpi);
    return SystemDpi();
}

int SystemMetricForDpi(int index, int dpi) {
    if (Calls().getSystemMetricsForDpi) return Calls().getSystemMetricsForDpi(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
    if (Calls().adjustWindowRectExForDpi &&
        Calls().adjustWindowRectExForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        return;
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

}  // namespace tk
