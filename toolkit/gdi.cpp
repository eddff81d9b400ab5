#include "toolkit/gdi.h"

#include <string>

namespace tk {

void Check(bool ok, const char* what) {
    if (ok) return;
    throw Error(std::string(what) + " failed (system error " + std::to_string(GetLastError()) + ")");
}

COLORREF ToRgb(Color c) {
    if (IsSystemColor(c)) return GetSysColor(static_cast<int>(c & 0xFF));
    return c & 0x00FFFFFFu;
}

SolidBrush::SolidBrush(COLORREF rgb) : BrushHandle(CreateSolidBrush(rgb)) { Check(Get() != nullptr, "CreateSolidBrush"); }

WindowDC::WindowDC(HWND hwnd, HDC dc, const char* call) : hwnd_(hwnd), dc_(dc) { Check(dc_ != nullptr, call); }

WindowDC::WindowDC(HWND hwnd) : WindowDC(hwnd, GetWindowDC(hwnd), "GetWindowDC") {}

WindowDC::WindowDC(HWND hwnd, DWORD flags) : WindowDC(hwnd, GetDCEx(hwnd, nullptr, flags), "GetDCEx") {}

WindowDC::~WindowDC() { ReleaseDC(hwnd_, dc_); }

ClientDC::ClientDC(HWND hwnd) : WindowDC(hwnd, GetDC(hwnd), "GetDC") {}

PaintDC::PaintDC(HWND hwnd) : hwnd_(hwnd) { BeginPaint(hwnd, &ps_); }

PaintDC::~PaintDC() { EndPaint(hwnd_, &ps_); }

MemoryDC::MemoryDC(HDC like) : dc_(CreateCompatibleDC(like)) { Check(dc_ != nullptr, "CreateCompatibleDC"); }

MemoryDC::~MemoryDC() { DeleteDC(dc_); }

int ScreenBitsPerPixel() {
    ClientDC screen(nullptr);
    return GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
}

}  // namespace tk
