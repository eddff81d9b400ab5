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

WindowDC::WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetWindowDC(hwnd)) { Check(dc_ != nullptr, "GetWindowDC"); }

WindowDC::WindowDC(HWND hwnd, DWORD flags) : hwnd_(hwnd), dc_(GetDCEx(hwnd, nullptr, flags)) {
    Check(dc_ != nullptr, "GetDCEx");
}

WindowDC::~WindowDC() { ReleaseDC(hwnd_, dc_); }

ClientDC::ClientDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) { Check(dc_ != nullptr, "GetDC"); }

ClientDC::~ClientDC() { ReleaseDC(hwnd_, dc_); }

PaintDC::PaintDC(HWND hwnd) : hwnd_(hwnd) { BeginPaint(hwnd, &ps_); }

PaintDC::~PaintDC() { EndPaint(hwnd_, &ps_); }

MemoryDC::MemoryDC(HDC like) : dc_(CreateCompatibleDC(like)) { Check(dc_ != nullptr, "CreateCompatibleDC"); }

MemoryDC::~MemoryDC() { DeleteDC(dc_); }

int ScreenBitsPerPixel() {
    ClientDC screen(nullptr);
    return GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
}

}  // namespace tk
